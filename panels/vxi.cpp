// VXI logical address, slot and resource name of the instrument.
#include <cstring>

#include "setting.hpp"

namespace gu {

namespace {
constexpr int UNREAD = -1;
constexpr int LA_MAX = 255;
}  // namespace

int VXILogAddr(int panel, int msg, void* data) {
    static Widget<int> w{"VXILogAddr", Answers{}, UNREAD};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_DEFAULT:
            w.value = w.def;  // the control is not updated
            w.format(uirt::VAL_DECIMAL_FORMAT, 0);
            return 0;
        case MSG_QUERY: {
            if (!livemode || !GetAttribute) return 0;
            ViUInt32 la = 0;
            GetAttribute(instr_session, VI_ATTR_VXI_LA, &la);  // status not examined
            w.value = static_cast<int>(la & 0xFFFF);
            if (w.value > LA_MAX) w.value = UNREAD;
            w.show();
            w.get(data);
            return 0;
        }
    }
    return w.common(panel, msg, data);
}

// Shown only after a good read of a real slot; writes nothing to `data` on MSG_QUERY.
int VXISlot(int panel, int msg, void* data) {
    static Widget<ViInt16, ViInt16, int> w{"VXISlot", Answers{}, UNREAD};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_DEFAULT:
            w.value = w.def;
            w.format(uirt::VAL_DECIMAL_FORMAT, 0);
            return 0;
        case MSG_QUERY: {
            if (!livemode || !GetAttribute) return 0;
            ViInt16 slot = 0;
            drv_status = GetAttribute(instr_session, VI_ATTR_SLOT, &slot);  // not reported
            if (drv_status == 0 && slot > 0) {
                w.value = slot;
                w.show();
            }
            return 0;
        }
    }
    return w.common(panel, msg, data);
}

// The resource name of the opened instrument, kept in rsrc_name.
int VXIDest(int panel, int msg, void* data) {
    static TextWidget w{"VXIDest", Answers{}, ""};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_INIT: {
            w.init(panel, data);
            int left = 0, width = 0, label_width = 0;  // label right-aligned over the control
            uirt::GetCtrlAttribute(w.panel, w.ctrl, uirt::ATTR_LEFT, &left);
            uirt::GetCtrlAttribute(w.panel, w.ctrl, uirt::ATTR_WIDTH, &width);
            uirt::GetCtrlAttribute(w.panel, w.ctrl, uirt::ATTR_LABEL_WIDTH, &label_width);
            w.attr(uirt::ATTR_LABEL_LEFT, left + width - label_width - 5);
            return 0;
        }
        case MSG_COMMIT:
            w.read();
            std::memcpy(rsrc_name, w.value.data(), NAME_SIZE);
            return 0;
        case MSG_QUERY:
            w.assign(rsrc_name);
            w.show();
            w.get(data);
            return 0;
    }
    return w.common(panel, msg, data);
}

// A plain value on the main panel; nothing reads or sends it.
int VMEMem(int panel, int msg, void* data) {
    static Widget<int> w{"VMEMem", Answers{}, 0};
    if (!w.accepts(msg)) return -1;
    return w.common(panel, msg, data);
}

}  // namespace gu
