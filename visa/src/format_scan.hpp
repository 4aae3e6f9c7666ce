// viScanf's scanning: C conversions plus VISA's arrays (",N" and ",#"), counted texts
// ("%#s"), the rest of a message (%t) or of a line (%T), IEEE 488.2 blocks (%b) and raw
// binary (%y).
#pragma once

#include <functional>
#include <string>

#include "format_buffers.hpp"
#include "format_spec.hpp"

namespace simvisa {

// The bytes a scan reads: the session's read buffer, filled from the device as needed.
class ScanInput {
public:
    // `fill` reads more of the present message: the bytes and whether END came with them.
    using Fill = std::function<ViStatus(std::string& bytes, bool& end)>;
    ScanInput(FormatBuffers& buffers, Fill fill) : b_(buffers), fill_(std::move(fill)) {}

    static constexpr int kEnd = -1;  // END of the message, or a failed read
    int peek();
    void advance() { ++b_.rd_pos; ++consumed_; }
    // Past the END of a message that is all read, a conversion goes on to the next message.
    bool next_message();
    ViStatus error() const { return error_; }
    long consumed() const { return consumed_; }

private:
    FormatBuffers& b_;
    Fill fill_;
    ViStatus error_ = VI_SUCCESS;
    long consumed_ = 0;
};

ViStatus format_scan(ScanInput& in, std::string_view fmt, VaArgs& args);

}  // namespace simvisa
