// HiSLIP message codec.
#include "hislip.hpp"

#include <algorithm>
#include <cstring>

namespace hislip {

namespace {

std::uint64_t read_be(const unsigned char* p, int n) {
    std::uint64_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | p[i];
    return v;
}

void write_be(unsigned char* p, std::uint64_t v, int n) {
    for (int i = n - 1; i >= 0; --i) {
        p[i] = static_cast<unsigned char>(v);
        v >>= 8;
    }
}

}  // namespace

std::optional<Header> decode_header(std::string_view bytes) {
    if (bytes.size() < kHeaderSize || bytes[0] != 'H' || bytes[1] != 'S') return std::nullopt;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    Header h;
    h.type = p[2];
    h.control = p[3];
    h.parameter = static_cast<std::uint32_t>(read_be(p + 4, 4));
    h.length = read_be(p + 8, 8);
    return h;
}

void encode_header(const Header& header, unsigned char out[kHeaderSize]) {
    out[0] = 'H';
    out[1] = 'S';
    out[2] = header.type;
    out[3] = header.control;
    write_be(out + 4, header.parameter, 4);
    write_be(out + 8, header.length, 8);
}

std::string encode(Type type, std::uint8_t control, std::uint32_t parameter,
                   std::string_view payload) {
    std::string out(kHeaderSize + payload.size(), '\0');
    encode_header({static_cast<std::uint8_t>(type), control, parameter, payload.size()},
                  reinterpret_cast<unsigned char*>(out.data()));
    if (!payload.empty()) std::memcpy(out.data() + kHeaderSize, payload.data(), payload.size());
    return out;
}

std::string encode_size(std::uint64_t size) {
    std::string out(8, '\0');
    write_be(reinterpret_cast<unsigned char*>(out.data()), size, 8);
    return out;
}

std::optional<std::uint64_t> decode_size(std::string_view payload) {
    if (payload.size() != 8) return std::nullopt;
    return read_be(reinterpret_cast<const unsigned char*>(payload.data()), 8);
}

Parser::Result Parser::next(std::string_view& input, Message& out) {
    if (broken_) return Result::bad_header;
    for (;;) {
        if (skip_ > 0) {
            const std::size_t n =
                static_cast<std::size_t>(std::min<std::uint64_t>(skip_, input.size()));
            input.remove_prefix(n);
            skip_ -= n;
            if (skip_ > 0) return Result::need_more;
        }
        if (!in_payload_) {
            const std::size_t n = std::min(kHeaderSize - header_have_, input.size());
            if (n > 0) std::memcpy(header_bytes_ + header_have_, input.data(), n);
            input.remove_prefix(n);
            header_have_ += n;
            // A wrong prologue is refused as soon as its bytes are seen.
            if ((header_have_ >= 1 && header_bytes_[0] != 'H') ||
                (header_have_ >= 2 && header_bytes_[1] != 'S')) {
                broken_ = true;
                return Result::bad_header;
            }
            if (header_have_ < kHeaderSize) return Result::need_more;
            header_have_ = 0;
            header_ = *decode_header({reinterpret_cast<const char*>(header_bytes_), kHeaderSize});
            if (header_.length > max_payload_) {
                skip_ = header_.length;
                out.header = header_;
                out.payload.clear();
                return Result::too_large;
            }
            in_payload_ = true;
            payload_.clear();
        }
        const std::size_t n = static_cast<std::size_t>(
            std::min<std::uint64_t>(header_.length - payload_.size(), input.size()));
        if (n > 0) payload_.append(input.data(), n);
        input.remove_prefix(n);
        if (payload_.size() < header_.length) return Result::need_more;
        in_payload_ = false;
        out.header = header_;
        out.payload.swap(payload_);
        payload_.clear();
        return Result::message;
    }
}

}  // namespace hislip
