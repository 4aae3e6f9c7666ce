// Plots over x, zoom and pictures of graphs, lines of text boxes, and the clipboard.
#include <QClipboard>
#include <QGuiApplication>

#include "control.hpp"
#include "graph.hpp"
#include "runtime.hpp"

namespace uirt {

using namespace detail;

namespace {

Graph* graph_of(int panel, int control, int& error) {
    Control* c = find_control(panel, control, error);
    if (c && !c->graph()) error = UIE_TYPE_MISMATCH;
    return c ? c->graph() : nullptr;
}

Control* text_box(int panel, int control, int& error) {
    Control* c = find_control(panel, control, error);
    if (c && c->kind() != CTRL_TEXT_BOX) {
        error = UIE_TYPE_MISMATCH;
        return nullptr;
    }
    return c;
}

}  // namespace

int PlotXY(int panel, int control, const double* x, const double* y, std::size_t count,
           int xDataType, int yDataType, int plotStyle, int pointStyle, int, int, int color) {
    int error = 0;
    Graph* graph = graph_of(panel, control, error);
    if (!graph) return error;
    if (xDataType != VAL_DOUBLE || yDataType != VAL_DOUBLE) return UIE_BAD_VALUE;
    return graph->plot_xy(x, y, count, plotStyle, pointStyle, color);
}

int ZoomGraphBack(int panel, int control, int all) {
    int error = 0;
    Graph* graph = graph_of(panel, control, error);
    return graph ? graph->zoom_back(all != 0) : error;
}

int GetGraphZoomDepth(int panel, int control, int* depth) {
    int error = 0;
    Graph* graph = graph_of(panel, control, error);
    if (!graph) return error;
    if (depth) *depth = graph->zoom_depth();
    return 0;
}

int GetGraphImage(int panel, int control, int format, std::string& bytes) {
    bytes.clear();
    int error = 0;
    Control* c = find_control(panel, control, error);
    if (!c) return error;
    if (!c->graph()) return UIE_TYPE_MISMATCH;
    if (format != VAL_PNG && format != VAL_SVG) return UIE_BAD_VALUE;
    int width = 0, height = 0;
    GetCtrlAttribute(panel, control, ATTR_WIDTH, &width);
    GetCtrlAttribute(panel, control, ATTR_HEIGHT, &height);
    const ImageFormat f = format == VAL_PNG ? ImageFormat::png : ImageFormat::svg;
    return c->graph()->image(f, width, height, bytes) ? 0 : UIE_BAD_HANDLE;
}

int InsertTextBoxLine(int panel, int control, int index, const char* text) {
    int error = 0;
    Control* c = text_box(panel, control, error);
    return c ? c->insert_line(index, text ? text : "") : error;
}

int SetTextBoxLineColor(int panel, int control, int line, int color) {
    int error = 0;
    Control* c = text_box(panel, control, error);
    return c ? c->set_line_colour(line, color) : error;
}

int DeleteTextBoxLines(int panel, int control, int firstLine, int count) {
    int error = 0;
    Control* c = text_box(panel, control, error);
    return c ? c->delete_lines(firstLine, count) : error;
}

int GetNumTextBoxLines(int panel, int control, int* count) {
    int error = 0;
    Control* c = text_box(panel, control, error);
    if (!c) return error;
    if (count) *count = c->line_count();
    return 0;
}

int ResetTextBox(int panel, int control, const char* text) {
    int error = 0;
    if (!text_box(panel, control, error)) return error;
    return SetCtrlVal(panel, control, text ? text : "");
}

int ClipboardPutText(const char* text) {
    if (!ensure_app()) return UIE_BAD_HANDLE;
    QGuiApplication::clipboard()->setText(QString::fromUtf8(text ? text : ""));
    return 0;
}

int ClipboardGetText(std::string& text) {
    if (!ensure_app()) return UIE_BAD_HANDLE;
    text = QGuiApplication::clipboard()->text().toStdString();
    return 0;
}

}  // namespace uirt
