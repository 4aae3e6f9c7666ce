#include "vxi11.hpp"

#include <vector>

#include "oncrpc.hpp"

namespace lanproto::vxi11 {

namespace {

// Where the variable-length field of each type that has one starts, in bytes.
struct VariableField {
    xdrproc_t proc;
    std::size_t offset;
};

const VariableField* variable_field(xdrproc_t proc) {
    static const VariableField fields[] = {
        {reinterpret_cast<xdrproc_t>(xdr_Create_LinkParms), 12},
        {reinterpret_cast<xdrproc_t>(xdr_Device_WriteParms), 16},
        {reinterpret_cast<xdrproc_t>(xdr_Device_ReadResp), 8},
        {reinterpret_cast<xdrproc_t>(xdr_Device_EnableSrqParms), 8},
        {reinterpret_cast<xdrproc_t>(xdr_Device_DocmdParms), 28},
        {reinterpret_cast<xdrproc_t>(xdr_Device_DocmdResp), 4},
        {reinterpret_cast<xdrproc_t>(xdr_Device_SrqParms), 0},
    };
    for (const auto& f : fields)
        if (f.proc == proc) return &f;
    return nullptr;
}

}  // namespace

bool decode(std::string_view bytes, xdrproc_t proc, void* out) {
    if (const VariableField* f = variable_field(proc)) {
        std::size_t pos = f->offset;
        const auto claim = rpc::get_u32(bytes, pos);
        if (!claim || *claim > bytes.size() - pos) return false;
    }
    XDR xdr;
    xdrmem_create(&xdr, const_cast<char*>(bytes.data()), static_cast<u_int>(bytes.size()),
                  XDR_DECODE);
    const bool ok = proc(&xdr, out);
    xdr_destroy(&xdr);
    if (!ok) xdr_free(proc, static_cast<char*>(out));
    return ok;
}

void release(xdrproc_t proc, void* value) {
    xdr_free(proc, static_cast<char*>(value));
}

bool encode(std::string& out, xdrproc_t proc, const void* value) {
    const unsigned long size = xdr_sizeof(proc, const_cast<void*>(value));
    if (size == 0) return true;
    const std::size_t at = out.size();
    out.resize(at + size);
    XDR xdr;
    xdrmem_create(&xdr, out.data() + at, static_cast<u_int>(size), XDR_ENCODE);
    const bool ok = proc(&xdr, const_cast<void*>(value));
    xdr_destroy(&xdr);
    if (!ok) out.resize(at);
    return ok;
}

}  // namespace lanproto::vxi11
