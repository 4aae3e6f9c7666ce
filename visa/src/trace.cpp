#include "trace.hpp"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace simvisa {

namespace {

struct StatusInfo {
    ViStatus status;
    const char* name;
    const char* text;
};

constexpr StatusInfo kStatuses[] = {
    {VI_SUCCESS, "VI_SUCCESS", "Operation completed successfully."},
    {VI_SUCCESS_TERM_CHAR, "VI_SUCCESS_TERM_CHAR", "The specified termination character was read."},
    {VI_SUCCESS_MAX_CNT, "VI_SUCCESS_MAX_CNT", "The number of bytes read is equal to the input count."},
    {VI_WARN_NSUP_ATTR_STATE, "VI_WARN_NSUP_ATTR_STATE", "The attribute state is not supported by this resource."},
    {VI_ERROR_SYSTEM_ERROR, "VI_ERROR_SYSTEM_ERROR", "Unknown system error."},
    {VI_ERROR_INV_OBJECT, "VI_ERROR_INV_OBJECT", "The given session or object reference is invalid."},
    {VI_ERROR_INV_EXPR, "VI_ERROR_INV_EXPR", "Invalid expression specified for search."},
    {VI_ERROR_RSRC_NFOUND, "VI_ERROR_RSRC_NFOUND", "Insufficient location information or the device or resource is not present in the system."},
    {VI_ERROR_INV_RSRC_NAME, "VI_ERROR_INV_RSRC_NAME", "Invalid resource reference specified. Parsing error."},
    {VI_ERROR_INV_ACC_MODE, "VI_ERROR_INV_ACC_MODE", "Invalid access mode."},
    {VI_ERROR_CLOSING_FAILED, "VI_ERROR_CLOSING_FAILED", "Unable to deallocate the previously allocated data structures corresponding to this session or object reference."},
    {VI_ERROR_TMO, "VI_ERROR_TMO", "Timeout expired before operation completed."},
    {VI_ERROR_NSUP_ATTR, "VI_ERROR_NSUP_ATTR", "The specified attribute is not defined or supported by the referenced resource."},
    {VI_ERROR_NSUP_ATTR_STATE, "VI_ERROR_NSUP_ATTR_STATE", "The specified state of the attribute is not valid, or is not supported."},
    {VI_ERROR_ATTR_READONLY, "VI_ERROR_ATTR_READONLY", "The specified attribute is read-only."},
    {VI_ERROR_IO, "VI_ERROR_IO", "Could not perform operation because of I/O error."},
    {VI_ERROR_INV_FMT, "VI_ERROR_INV_FMT", "A format specifier in the format string is invalid."},
    {VI_ERROR_NSUP_OPER, "VI_ERROR_NSUP_OPER", "The given session or object reference does not support this operation."},
    {VI_ERROR_USER_BUF, "VI_ERROR_USER_BUF", "A specified user buffer is not valid or cannot be accessed for the required size."},
    {VI_ERROR_INV_PARAMETER, "VI_ERROR_INV_PARAMETER", "The value of some parameter is invalid."},
    {VI_ERROR_INV_PROT, "VI_ERROR_INV_PROT", "The protocol specified is invalid."},
    {VI_ERROR_ALLOC, "VI_ERROR_ALLOC", "Insufficient system resources to perform necessary memory allocation."},
    {VI_ERROR_INV_MASK, "VI_ERROR_INV_MASK", "Invalid buffer mask specified."},
};

std::mutex trace_mutex;

}  // namespace

const char* status_name(ViStatus status) {
    for (const auto& s : kStatuses)
        if (s.status == status) return s.name;
    return status < 0 ? "VI_ERROR_UNKNOWN" : "VI_WARN_UNKNOWN_STATUS";
}

const char* status_text(ViStatus status) {
    for (const auto& s : kStatuses)
        if (s.status == status) return s.text;
    return status < 0 ? "Unknown error." : "Unknown completion code.";
}

bool tracing() {
    const char* path = std::getenv("VISA_SIM_TRACE");
    return path != nullptr && *path != '\0';
}

std::string quoted(std::string_view bytes) {
    std::string out = "\"";
    for (unsigned char c : bytes) {
        switch (c) {
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            default:
                if (c < 0x20 || c >= 0x7F) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\x%02X", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string hex(ViUInt32 v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", v);
    return buf;
}

void trace(const std::string& call, ViStatus status, const std::string& extra) {
    const char* path = std::getenv("VISA_SIM_TRACE");
    if (path == nullptr || *path == '\0') return;
    std::lock_guard lock(trace_mutex);
    if (FILE* f = std::fopen(path, "a")) {
        std::fprintf(f, "%s = %s (%s)%s\n", call.c_str(), status_name(status),
                     hex(static_cast<ViUInt32>(status)).c_str(), extra.c_str());
        std::fclose(f);
    }
}

}  // namespace simvisa
