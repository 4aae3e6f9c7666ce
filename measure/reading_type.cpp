// Number or graph: one reading is shown as a number with its unit, several as a graph.
#include "messages.hpp"
#include "reading_record.hpp"

namespace gu {

namespace {

Binding binding_of(Handler widget, int panel) {
    Binding b;
    widget(panel, MSG_GET_CTRL, &b.ctrl);
    widget(panel, MSG_GET_PANEL, &b.panel);
    return b;
}

}  // namespace

int check_reading_type() {
    int panel = 0;
    SampleCount(panel, MSG_GET_PANEL, &panel);
    const int samples = get_int(SampleCount, panel);
    TrigCount(panel, MSG_GET_PANEL, &panel);
    const int triggers = get_int(TrigCount, panel);

    const Binding graph = binding_of(Readings, panel);
    Readings(panel, MSG_CLEAR, nullptr);

    const bool several = triggers > 1 || samples > 1;
    graph.visible(several ? 1 : 0);
    show_block_stats(several);
    binding_of(Reading, panel).visible(several ? 0 : 1);
    binding_of(Units, panel).visible(several ? 0 : 1);
    return 0;
}

}  // namespace gu
