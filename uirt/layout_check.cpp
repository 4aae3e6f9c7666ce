// Test hooks that look at a panel as drawn: texts that do not fit, controls that overlap,
// and where the panel lies in its window.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QToolButton>
#include <vector>

#include "panel.hpp"
#include "runtime.hpp"
#include "uirt_test.hpp"

namespace uirt::test {

using namespace detail;

namespace {

std::string describe(const QWidget* w) {
    return w->objectName().toStdString();
}

bool wider_than(const QFontMetrics& metrics, const QString& text, int room) {
    return metrics.horizontalAdvance(text) > room;
}

// The first text of `w` that does not fit it, or an empty string.
std::string cut_text(const QWidget* w) {
    const QFontMetrics metrics = w->fontMetrics();
    const auto fault = [&](const QString& text) {
        return "\"" + text.toStdString() + "\" does not fit " + describe(w);
    };
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        const QString text = label->text();
        if (text.isEmpty()) return {};
        const QRect room =
            label->contentsRect().adjusted(label->indent() > 0 ? label->indent() : 0, 0, 0, 0);
        if (label->wordWrap()) {
            const QRect need =
                metrics.boundingRect(room.adjusted(0, 0, 0, 10000), Qt::TextWordWrap, text);
            return need.height() > room.height() || need.width() > room.width() ? fault(text)
                                                                                : std::string();
        }
        return wider_than(metrics, text, room.width()) || metrics.height() > room.height()
                   ? fault(text)
                   : std::string();
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(w)) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.rect = combo->rect();
        const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                           QStyle::SC_ComboBoxEditField, combo);
        for (int i = 0; i < combo->count(); ++i)
            if (wider_than(metrics, combo->itemText(i), field.width()))
                return fault(combo->itemText(i));
        return metrics.height() > field.height() ? fault(combo->currentText()) : std::string();
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(w)) {
        const int frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit);
        const int room = edit->width() - 2 * frame - 4;  // the line edit's own side margins
        if (wider_than(metrics, edit->text(), room)) return fault(edit->text());
        return metrics.height() > edit->height() - 2 * frame ? fault(edit->text()) : std::string();
    }
    if (const auto* box = qobject_cast<const QCheckBox*>(w))
        return box->sizeHint().width() > box->width() ? fault(box->text()) : std::string();
    if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
        const int margin = w->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, w);
        if (wider_than(metrics, button->text(), button->width() - margin))
            return fault(button->text());
        return metrics.height() > button->height() ? fault(button->text()) : std::string();
    }
    return {};
}

}  // namespace

bool panel_rect(int panel, int& left, int& top, int& width, int& height) {
    Panel* p = find_panel(panel);
    if (!p || !p->displayed()) return false;
    QWidget* outer = p->window();
    const QPoint at =
        outer->isWindow() ? QPoint(0, 0) : outer->mapTo(outer->window(), QPoint(0, 0));
    left = at.x();
    top = at.y();
    width = outer->width();
    height = outer->height();
    return true;
}

unsigned long window_id(int panel) {
    Panel* p = find_panel(panel);
    if (!p || !p->displayed()) return 0;
    return static_cast<unsigned long>(p->window()->window()->winId());
}

std::vector<std::string> layout_faults(int panel) {
    std::vector<std::string> faults;
    Panel* p = find_panel(panel);
    if (!p || !p->displayed()) return faults;
    QWidget* outer = p->window();
    std::vector<QWidget*> shown;
    for (QWidget* w : outer->findChildren<QWidget*>()) {
        const QString name = w->objectName();
        const bool ours =
            name.startsWith("control ") || name.startsWith("caption ") || name == "title strip";
        // Only this panel's own: a child panel's controls are checked with that panel.
        const bool own = w->parentWidget() == p->canvas() || w->parentWidget() == outer;
        if (ours && own && w->isVisibleTo(outer)) shown.push_back(w);
    }
    for (QWidget* w : shown)
        if (std::string cut = cut_text(w); !cut.empty()) faults.push_back(cut);
    for (std::size_t i = 0; i < shown.size(); ++i)
        for (std::size_t j = i + 1; j < shown.size(); ++j) {
            if (shown[i]->parentWidget() != shown[j]->parentWidget()) continue;
            if (shown[i]->geometry().intersects(shown[j]->geometry()))
                faults.push_back(describe(shown[i]) + " overlaps " + describe(shown[j]));
        }
    if (auto* bar = outer->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly); bar) {
        for (QToolButton* more : bar->findChildren<QToolButton*>())
            if (more->isVisibleTo(bar)) faults.push_back("the menu bar cannot show all its menus");
    }
    return faults;
}

}  // namespace uirt::test
