// Pass-through: any program message the functions above do not cover, and its reply.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "exports.hpp"
#include "link.hpp"
#include "ops.hpp"

using namespace voq;

ViStatus voq7304_cmd(ViSession vi, ViConstString command) {
    if (command == nullptr) return parameter_error(2);
    return send(vi, command);
}

ViStatus voq7304_cmdString_Q(ViSession vi, ViConstString command, ViInt32 size, ViChar result[]) {
    if (command == nullptr) return parameter_error(2);
    if (size < 1) return parameter_error(3);
    if (result == nullptr) return parameter_error(4);
    const Link link(vi);
    std::string reply;
    const ViStatus status = link.query(command, reply);
    const std::size_t n = status >= 0 ? std::min(reply.size(), static_cast<std::size_t>(size - 1)) : 0;
    std::memcpy(result, reply.data(), n);
    result[n] = '\0';
    return link.complete(status);
}
