// RPC records as a VXI-11 server and a portmapper read them: the stream cut into pieces,
// each record's call header parsed and its arguments decoded as every VXI-11 type.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "oncrpc.hpp"
#include "portmap.hpp"
#include "portmapper.hpp"
#include "vxi11.hpp"

namespace {

namespace rpc = lanproto::rpc;
namespace vx = lanproto::vxi11;

template <class T>
void decode_as(std::string_view bytes, bool_t (*proc)(XDR*, T*)) {
    vx::Decoded<T> d(bytes, reinterpret_cast<xdrproc_t>(proc));
    if (!d.ok) return;
    // What was decoded encodes again, and no longer than the bytes it came from.
    std::string again;
    if (!vx::encode(again, d.proc, &d.value) || again.size() > bytes.size()) std::abort();
}

void decode_all(std::string_view bytes) {
    decode_as(bytes, xdr_Create_LinkParms);
    decode_as(bytes, xdr_Create_LinkResp);
    decode_as(bytes, xdr_Device_WriteParms);
    decode_as(bytes, xdr_Device_ReadParms);
    decode_as(bytes, xdr_Device_ReadResp);
    decode_as(bytes, xdr_Device_ReadStbResp);
    decode_as(bytes, xdr_Device_GenericParms);
    decode_as(bytes, xdr_Device_RemoteFunc);
    decode_as(bytes, xdr_Device_EnableSrqParms);
    decode_as(bytes, xdr_Device_LockParms);
    decode_as(bytes, xdr_Device_DocmdParms);
    decode_as(bytes, xdr_Device_DocmdResp);
    decode_as(bytes, xdr_Device_SrqParms);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[0] % 64;
    const char* stream = reinterpret_cast<const char*>(data + 1);
    const std::size_t length = size - 1;
    rpc::RecordAssembler records(4096);
    for (std::size_t at = 0; at < length;) {
        rpc::RecordAssembler::Status status;
        const std::size_t n = std::min(piece, length - at);
        const std::size_t used = records.feed(stream + at, n, status);
        if (used > n) std::abort();
        at += used;
        if (status == rpc::RecordAssembler::Status::too_long) break;
        if (status != rpc::RecordAssembler::Status::record) continue;
        const std::string record = records.record();
        if (record.size() > 4096) std::abort();
        rpc::CallHeader h;
        std::size_t body = 0;
        if (rpc::parse_call(record, h, body) == rpc::CallParse::ok) {
            if (body > record.size()) std::abort();
            decode_all(std::string_view(record).substr(body));
        }
        simserver::Portmapper::answer(record, "127.0.0.1", 1024, true);
        rpc::ReplyHeader reply;
        if (rpc::parse_reply(record, reply, body) && body > record.size()) std::abort();
    }
    decode_all(std::string_view(stream, length));
    lanproto::portmap::universal_port(std::string_view(stream, length));
    return 0;
}
