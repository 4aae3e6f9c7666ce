// ONC RPC records and messages, and VXI-11 structures, as the server and a client code them.
#include <gtest/gtest.h>

#include "oncrpc.hpp"
#include "portmap.hpp"
#include "vxi11.hpp"

using namespace lanproto;

TEST(RpcRecords, FragmentsJoinAcrossPiecesAndOverlongRecordsAreRefusedAtTheirHeader) {
    // Two records in one stream: the first in two fragments, cut into 3-byte pieces.
    std::string stream;
    rpc::put_u32(stream, 5);
    stream += "hello";
    rpc::put_u32(stream, rpc::kLastFragment | 6);
    stream += " world";
    stream += rpc::frame("second");
    rpc::RecordAssembler records(64);
    EXPECT_TRUE(records.idle());
    std::vector<std::string> got;
    for (std::size_t at = 0; at < stream.size();) {
        std::string_view piece = std::string_view(stream).substr(at, 3);
        rpc::RecordAssembler::Status status;
        at += records.feed(piece.data(), piece.size(), status);
        ASSERT_NE(status, rpc::RecordAssembler::Status::too_long);
        if (status == rpc::RecordAssembler::Status::record) got.push_back(records.record());
        // Between the first record's fragments it is under way (its peer is timed).
        if (at == 9) EXPECT_FALSE(records.idle());
    }
    EXPECT_TRUE(records.idle());
    EXPECT_EQ(got, (std::vector<std::string>{"hello world", "second"}));

    // A claim beyond the limit, also one made of fragments, is refused before its bytes come.
    for (std::string head :
         {std::string("\xff\xff\xff\xf0", 4), std::string("\x00\x00\x00\x30", 4)}) {
        std::string s = head + std::string(0x30, 'x') + std::string("\x80\x00\x00\x30", 4);
        rpc::RecordAssembler small(64);
        rpc::RecordAssembler::Status status = rpc::RecordAssembler::Status::need_more;
        for (std::size_t at = 0;
             at < s.size() && status == rpc::RecordAssembler::Status::need_more;)
            at += small.feed(s.data() + at, s.size() - at, status);
        EXPECT_EQ(status, rpc::RecordAssembler::Status::too_long);
        EXPECT_LE(small.record().size(), 64u);
    }
}

TEST(RpcMessages, CallsAndRepliesRoundTripAndBadHeadersAreTold) {
    const std::string call =
        rpc::encode_call({42, vxi11::kCoreProgram, 1, vxi11::proc_create_link}, "ARGS");
    rpc::CallHeader h;
    std::size_t body = 0;
    ASSERT_EQ(rpc::parse_call(call, h, body), rpc::CallParse::ok);
    EXPECT_EQ(std::tie(h.xid, h.prog, h.vers, h.proc),
              std::make_tuple(42u, vxi11::kCoreProgram, 1u, 10u));
    EXPECT_EQ(call.substr(body), "ARGS");

    std::string v3 = call;
    v3[11] = 3;  // RPC version 3
    EXPECT_EQ(rpc::parse_call(v3, h, body), rpc::CallParse::rpc_mismatch);
    EXPECT_EQ(rpc::parse_call(call.substr(0, 30), h, body), rpc::CallParse::malformed);
    std::string long_auth = call;
    long_auth[30] = static_cast<char>(0xFF);  // a credential body over 400 bytes
    EXPECT_EQ(rpc::parse_call(long_auth, h, body), rpc::CallParse::malformed);

    rpc::ReplyHeader r;
    ASSERT_TRUE(rpc::parse_reply(rpc::encode_reply(42, rpc::AcceptStat::success, "RES"), r, body));
    EXPECT_TRUE(r.accepted);
    EXPECT_EQ(r.stat, rpc::AcceptStat::success);
    ASSERT_TRUE(rpc::parse_reply(rpc::encode_rpc_mismatch(7), r, body));
    EXPECT_FALSE(r.accepted);
    EXPECT_EQ(rpc::parse_call(rpc::encode_rpc_mismatch(7), h, body), rpc::CallParse::not_a_call);
}

TEST(Vxi11Coding, StructuresRoundTripAndLengthClaimsBeyondTheBytesAreRefused) {
    char data[] = "*IDN?\n";
    Device_WriteParms w{7, 1000, 0, vxi11::kFlagEnd, {6, data}};
    std::string bytes;
    ASSERT_TRUE(vxi11::encode(bytes, reinterpret_cast<xdrproc_t>(xdr_Device_WriteParms), &w));
    {
        vxi11::Decoded<Device_WriteParms> back(bytes,
                                               reinterpret_cast<xdrproc_t>(xdr_Device_WriteParms));
        ASSERT_TRUE(back.ok);
        EXPECT_EQ(back.value.lid, 7);
        EXPECT_EQ(std::string(back.value.data.data_val, back.value.data.data_len), "*IDN?\n");
    }
    bytes[16] = '\x7f';  // the data's length now claims about 2 GB
    vxi11::Decoded<Device_WriteParms> claimed(bytes,
                                              reinterpret_cast<xdrproc_t>(xdr_Device_WriteParms));
    EXPECT_FALSE(claimed.ok);

    EXPECT_EQ(portmap::universal_address("127.0.0.1", 0x1234), "127.0.0.1.18.52");
    EXPECT_EQ(portmap::universal_port("127.0.0.1.18.52"), 0x1234);
    EXPECT_EQ(portmap::universal_port("127.0.0.1.256.52"), std::nullopt);
}
