// HiSLIP messages from a byte stream: the input, cut into pieces where its first bytes say,
// through the codec's parser with a small payload limit. Every message it yields keeps to
// the limit and survives encoding again; an oversized length never allocates.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "hislip.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t piece = 1 + data[0] % 64;
    const std::uint64_t limit = data[1] % 2 ? 4096 : 16;
    std::string_view stream(reinterpret_cast<const char*>(data) + 2, size - 2);
    hislip::Parser parser(limit);
    hislip::Message m;
    std::size_t messages = 0, refused = 0;
    while (!stream.empty()) {
        std::string_view chunk = stream.substr(0, piece);
        stream.remove_prefix(chunk.size());
        for (;;) {
            const auto r = parser.next(chunk, m);
            if (r == hislip::Parser::Result::need_more) {
                if (!chunk.empty()) std::abort();  // need_more takes everything it is given
                break;
            }
            if (r == hislip::Parser::Result::bad_header) return 0;
            if (r == hislip::Parser::Result::too_large) {
                if (m.header.length <= limit || !m.payload.empty()) std::abort();
                ++refused;
                continue;
            }
            if (m.payload.size() != m.header.length || m.payload.size() > limit) std::abort();
            const std::string again =
                hislip::encode(m.type(), m.header.control, m.header.parameter, m.payload);
            const auto header = hislip::decode_header(again);
            if (!header || header->type != m.header.type ||
                header->parameter != m.header.parameter || header->length != m.header.length ||
                again.substr(hislip::kHeaderSize) != m.payload)
                std::abort();
            if (m.type() == hislip::Type::AsyncMaximumMessageSize) {
                const auto s = hislip::decode_size(m.payload);
                if (s.has_value() != (m.payload.size() == 8)) std::abort();
                if (s && hislip::encode_size(*s) != m.payload) std::abort();
            }
            ++messages;
        }
    }
    // Each message took at least its 16-byte header.
    if ((messages + refused) * hislip::kHeaderSize > size) std::abort();
    return 0;
}
