// The HiSLIP codec: messages through bytes and back, in any cut of the stream, and the
// headers it refuses.
#include <gtest/gtest.h>

#include "hislip.hpp"

using namespace hislip;

namespace {

std::vector<Message> parse_all(Parser& p, std::string_view bytes, std::size_t piece,
                               Parser::Result* last = nullptr) {
    std::vector<Message> out;
    while (!bytes.empty()) {
        std::string_view chunk = bytes.substr(0, piece);
        bytes.remove_prefix(chunk.size());
        for (;;) {
            Message m;
            const auto r = p.next(chunk, m);
            if (last) *last = r;
            if (r == Parser::Result::message) out.push_back(m);
            if (r == Parser::Result::bad_header) return out;
            if (r == Parser::Result::need_more) break;
        }
    }
    return out;
}

}  // namespace

TEST(HislipCodec, MessagesSurviveTheWireInAnyCut) {
    const std::string stream =
        encode(Type::Initialize, 0, initialize_parameter(kVersion1_0, 0x5443), "hislip0") +
        encode(Type::DataEnd, kRmtDelivered, 0xFFFFFF02, "*IDN?\n") +
        encode(Type::AsyncMaximumMessageSize, 0, 0, encode_size(0x0102030405060708)) +
        encode(Type::Trigger, 0, 0xFFFFFF04);
    // The header layout on the wire: prologue, type, control, parameter and length big-endian.
    EXPECT_EQ(stream.substr(0, 16),
              std::string("HS\x00\x00\x01\x00\x54\x43\x00\x00\x00\x00\x00\x00\x00\x07", 16));
    for (std::size_t piece : {std::size_t{1}, std::size_t{5}, std::size_t{16}, stream.size()}) {
        Parser p(64);
        const auto got = parse_all(p, stream, piece);
        ASSERT_EQ(got.size(), 4u) << "pieces of " << piece;
        EXPECT_EQ(got[0].type(), Type::Initialize);
        EXPECT_EQ(high_half(got[0].header.parameter), kVersion1_0);
        EXPECT_EQ(low_half(got[0].header.parameter), 0x5443);
        EXPECT_EQ(got[0].payload, "hislip0");
        EXPECT_EQ(got[1].type(), Type::DataEnd);
        EXPECT_EQ(got[1].header.control, kRmtDelivered);
        EXPECT_EQ(got[1].header.parameter, 0xFFFFFF02u);
        EXPECT_EQ(got[1].payload, "*IDN?\n");
        EXPECT_EQ(decode_size(got[2].payload), 0x0102030405060708u);
        EXPECT_EQ(got[3].type(), Type::Trigger);
        EXPECT_TRUE(got[3].payload.empty());
    }
    EXPECT_FALSE(decode_size("1234567"));
    EXPECT_FALSE(decode_header("HS\x06\x00"));
}

TEST(HislipCodec, OversizedPayloadsAreSkippedAndBadProloguesStopTheStream) {
    // A length beyond the limit is reported with its header, its bytes dropped as they come,
    // and the message after it is read as usual.
    Parser p(8);
    Parser::Result last{};
    const std::string big = encode(Type::Data, 0, 7, "0123456789");
    std::string stream = big + encode(Type::DataEnd, 0, 9, "ok");
    std::string_view view = stream;
    Message m;
    ASSERT_EQ(p.next(view, m), Parser::Result::too_large);
    EXPECT_EQ(m.header.length, 10u);
    EXPECT_EQ(m.header.parameter, 7u);
    const auto rest = parse_all(p, view, 3, &last);
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(rest[0].payload, "ok");

    // A length of 2^64-1 is refused from the header alone.
    Parser huge(1u << 20);
    std::string header(16, '\0');
    encode_header({static_cast<std::uint8_t>(Type::Data), 0, 0, ~std::uint64_t{0}},
                  reinterpret_cast<unsigned char*>(header.data()));
    std::string_view hv = header;
    EXPECT_EQ(huge.next(hv, m), Parser::Result::too_large);
    EXPECT_EQ(m.header.length, ~std::uint64_t{0});
    EXPECT_TRUE(m.payload.empty());

    // The wrong prologue is seen at its first byte, and the parser stays broken.
    for (const std::string& bad :
         {std::string("XS"), std::string("HX"), std::string("GET / HTTP/1.0\r\n\r\n")}) {
        Parser q(64);
        std::string_view bv = bad;
        EXPECT_EQ(q.next(bv, m), Parser::Result::bad_header) << bad;
        const std::string good = encode(Type::Trigger, 0, 0);
        std::string_view gv = good;
        EXPECT_EQ(q.next(gv, m), Parser::Result::bad_header);
    }
}
