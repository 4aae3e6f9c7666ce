// The formatted I/O buffers of a session.
#pragma once

#include <string>

#include "visa.h"

namespace simvisa {

struct FormatBuffers {
    std::string rd;           // bytes read from the device, not yet scanned
    std::size_t rd_pos = 0;   // the next of them to scan
    bool rd_end = false;      // they end with the END of a message (or the termination character)
    std::string wr;           // bytes printed, not yet sent
    ViUInt32 rd_size = 4096;
    ViUInt32 wr_size = 4096;
    ViUInt16 rd_mode = VI_FLUSH_DISABLE;
    ViUInt16 wr_mode = VI_FLUSH_WHEN_FULL;
    bool reply_open = false;  // a reply was read in part and its END not yet seen

    std::size_t rd_left() const { return rd.size() - rd_pos; }
    void drop_read() {
        rd.clear();
        rd_pos = 0;
        rd_end = false;
    }
};

}  // namespace simvisa
