// Control values, attributes, list items and the graph.
#include "graph.hpp"
#include "panel.hpp"
#include "runtime.hpp"

namespace uirt {

using namespace detail;

namespace {

template <typename Action>
int with_control(int panel, int control, Action action) {
    int error = 0;
    Control* c = find_control(panel, control, error);
    return c ? action(*c) : error;
}

int set_value(int panel, int control, const Value& value) {
    return with_control(panel, control, [&](Control& c) { return c.set_value(value); });
}

int get_value(int panel, int control, Value& out) {
    return with_control(panel, control, [&](Control& c) { return c.get_value(out); });
}

int set_attribute(int panel, int control, int attribute, const Value& value) {
    return with_control(panel, control,
                        [&](Control& c) { return c.set_attribute(attribute, value); });
}

int get_attribute(int panel, int control, int attribute, Value& out) {
    return with_control(panel, control,
                        [&](Control& c) { return c.get_attribute(attribute, out); });
}

int insert(int panel, int control, int index, const char* label, const Value& value) {
    return with_control(panel, control, [&](Control& c) {
        return c.insert_item(index, label ? label : "", value);
    });
}

int index_from_value(int panel, int control, int* index, const Value& value) {
    return with_control(panel, control, [&](Control& c) {
        if (!c.is_list()) return UIE_TYPE_MISMATCH;
        const int i = c.index_of(value);
        if (index) *index = i;
        return i < 0 ? UIE_BAD_VALUE : 0;
    });
}

int value_from_index(int panel, int control, int index, Value& out) {
    return with_control(panel, control, [&](Control& c) {
        if (!c.is_list()) return UIE_TYPE_MISMATCH;
        const ItemDesc* item = c.item(index);
        if (!item) return UIE_INDEX_OUT_OF_RANGE;
        out = item->value;
        return 0;
    });
}

Graph* graph_of(int panel, int control, int& error) {
    Control* c = find_control(panel, control, error);
    if (c && !c->graph()) error = UIE_TYPE_MISMATCH;
    return c ? c->graph() : nullptr;
}

}  // namespace

int SetCtrlVal(int panel, int control, int value) {
    return set_value(panel, control, Value{value});
}
int SetCtrlVal(int panel, int control, double value) {
    return set_value(panel, control, Value{value});
}
int SetCtrlVal(int panel, int control, const char* value) {
    return set_value(panel, control, Value{std::string(value ? value : "")});
}

int GetCtrlVal(int panel, int control, int* value) {
    Value v;
    const int error = get_value(panel, control, v);
    if (value && (error == 0 || error == UIE_INDEX_OUT_OF_RANGE)) *value = to_int(v);
    return error;
}

int GetCtrlVal(int panel, int control, double* value) {
    Value v;
    const int error = get_value(panel, control, v);
    if (value && (error == 0 || error == UIE_INDEX_OUT_OF_RANGE)) *value = to_double(v);
    return error;
}

int GetCtrlVal(int panel, int control, char* value, std::size_t size) {
    Value v;
    const int error = get_value(panel, control, v);
    if (error == 0 || error == UIE_INDEX_OUT_OF_RANGE) copy_text(to_text(v), value, size);
    return error;
}

int SetCtrlAttribute(int panel, int control, int attribute, int value) {
    return set_attribute(panel, control, attribute, Value{value});
}
int SetCtrlAttribute(int panel, int control, int attribute, double value) {
    return set_attribute(panel, control, attribute, Value{value});
}
int SetCtrlAttribute(int panel, int control, int attribute, const char* value) {
    return set_attribute(panel, control, attribute, Value{std::string(value ? value : "")});
}

int GetCtrlAttribute(int panel, int control, int attribute, int* value) {
    Value v;
    const int error = get_attribute(panel, control, attribute, v);
    if (!error && value) *value = to_int(v);
    return error;
}

int GetCtrlAttribute(int panel, int control, int attribute, double* value) {
    Value v;
    const int error = get_attribute(panel, control, attribute, v);
    if (!error && value) *value = to_double(v);
    return error;
}

int GetCtrlAttribute(int panel, int control, int attribute, char* value, std::size_t size) {
    Value v;
    const int error = get_attribute(panel, control, attribute, v);
    if (!error) copy_text(to_text(v), value, size);
    return error;
}

int InsertListItem(int panel, int control, int index, const char* label, int value) {
    return insert(panel, control, index, label, Value{value});
}
int InsertListItem(int panel, int control, int index, const char* label, double value) {
    return insert(panel, control, index, label, Value{value});
}
int InsertListItem(int panel, int control, int index, const char* label, const char* value) {
    return insert(panel, control, index, label, Value{std::string(value ? value : "")});
}

int DeleteListItem(int panel, int control, int index, int count) {
    return with_control(panel, control, [&](Control& c) { return c.delete_items(index, count); });
}

int ClearListCtrl(int panel, int control) {
    return with_control(panel, control, [&](Control& c) {
        if (!c.is_list()) return UIE_TYPE_MISMATCH;
        return c.item_count() ? c.delete_items(0, -1) : 0;
    });
}

int GetNumListItems(int panel, int control, int* count) {
    return with_control(panel, control, [&](Control& c) {
        if (!c.is_list()) return UIE_TYPE_MISMATCH;
        if (count) *count = c.item_count();
        return 0;
    });
}

int GetCtrlIndex(int panel, int control, int* index) {
    return with_control(panel, control, [&](Control& c) {
        if (!c.is_list()) return UIE_TYPE_MISMATCH;
        if (index) *index = c.index();
        return 0;
    });
}

int SetCtrlIndex(int panel, int control, int index) {
    return with_control(panel, control, [&](Control& c) { return c.set_index(index); });
}

int GetIndexFromValue(int panel, int control, int* index, int value) {
    return index_from_value(panel, control, index, Value{value});
}
int GetIndexFromValue(int panel, int control, int* index, double value) {
    return index_from_value(panel, control, index, Value{value});
}

int GetValueFromIndex(int panel, int control, int index, int* value) {
    Value v;
    const int error = value_from_index(panel, control, index, v);
    if (!error && value) *value = to_int(v);
    return error;
}

int GetValueFromIndex(int panel, int control, int index, double* value) {
    Value v;
    const int error = value_from_index(panel, control, index, v);
    if (!error && value) *value = to_double(v);
    return error;
}

int GetValueFromIndex(int panel, int control, int index, char* value, std::size_t size) {
    Value v;
    const int error = value_from_index(panel, control, index, v);
    if (!error) copy_text(to_text(v), value, size);
    return error;
}

int GetLabelFromIndex(int panel, int control, int index, char* label, std::size_t size) {
    return with_control(panel, control, [&](Control& c) {
        if (!c.is_list()) return UIE_TYPE_MISMATCH;
        const ItemDesc* item = c.item(index);
        if (!item) return UIE_INDEX_OUT_OF_RANGE;
        copy_text(item->label, label, size);
        return 0;
    });
}

int SetActiveCtrl(int panel, int control) {
    return with_control(panel, control, [&](Control& c) {
        (void)c;
        find_panel(panel)->set_active_control(control);
        return 0;
    });
}

int GetActiveCtrl(int panel) {
    Panel* p = find_panel(panel);
    return p ? p->active_control : UIE_BAD_HANDLE;
}

// ---- graph ----------------------------------------------------------------------------

int PlotY(int panel, int control, const double* y, std::size_t count, int dataType, int plotStyle,
          int pointStyle, int lineStyle, int pointFrequency, int color) {
    return PlotWaveform(panel, control, y, count, dataType, 1.0, 0.0, 0.0, 1.0, plotStyle,
                        pointStyle, lineStyle, pointFrequency, color);
}

int PlotWaveform(int panel, int control, const double* y, std::size_t count, int dataType,
                 double gain, double offset, double initialX, double xIncrement, int plotStyle,
                 int pointStyle, int, int, int color) {
    int error = 0;
    Graph* graph = graph_of(panel, control, error);
    if (!graph) return error;
    if (dataType != VAL_DOUBLE) return UIE_BAD_VALUE;  // only arrays of doubles are taken
    return graph->plot(y, count, gain, offset, initialX, xIncrement, plotStyle, pointStyle, color);
}

int DeleteGraphPlot(int panel, int control, int plotHandle, int) {
    int error = 0;
    Graph* graph = graph_of(panel, control, error);
    return graph ? graph->remove(plotHandle) : error;
}

int SetAxisRange(int panel, int control, int xScaling, double xMin, double xMax, int yScaling,
                 double yMin, double yMax) {
    int error = 0;
    Graph* graph = graph_of(panel, control, error);
    return graph ? graph->set_axes(xScaling, xMin, xMax, yScaling, yMin, yMax) : error;
}

}  // namespace uirt
