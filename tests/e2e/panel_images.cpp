// Every panel of the real program in a real X window, read back from the X server and
// checked: against reviewed reference images (a small tolerance; the difference image is
// saved on failure), for the invariant that a secondary panel's pixels do not change when
// only the main panel beneath it changes, and for texts cut or controls overlapping.
//   panel_images check <references> <output>    compare with the references
//   panel_images update <references> <output>   write the references anew
//   panel_images invariant <output>             no references: invariant and layout only
// Run under Xvfb with QT_QPA_PLATFORM=xcb (see images.sh).
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "callbacks.hpp"
#include "program_harness.hpp"
#include "uirt.hpp"
#include "uirt_test.hpp"

namespace {

using namespace gu;

// Two instruments, so the Instrument Select dialog comes up; a negative reading with a
// three-digit exponent's worth of digits, so the whole text must fit.
constexpr const char* bus = R"(
[VXI0::24::INSTR]
q7304 = yes
slot = 3
input.volt_dc = -198.76543
input.noise = 0
[VXI0::25::INSTR]
q7304 = yes
slot = 4
)";

// A pixel differs when a channel differs by more than this; an image fails when more than
// this share of its pixels differ (font rasterisation may move a few edge pixels).
constexpr int channel_tolerance = 48;
constexpr double share_tolerance = 0.002;

struct Secondary {
    void (*open)(int, int, void*, int);
    const int* panel;
    const char* name;
};
const Secondary secondaries[] = {
    {MenuTriggerCallback, &trigger_panel, "trigger"},
    {MenuConfigCallback, &config_panel, "config"},
    {MenuMathCallback, &math_panel, "math"},
    {MenuStatusCallback, &status_panel, "status"},
    {MenuInOutCallback, &inout_panel, "inout"},
    {MenuSelfTestCallback, &selftest_panel, "selftest"},
    {MenuAboutCallback, &about_panel, "about"},
};

enum class Mode { check, update, invariant };
Mode mode = Mode::invariant;
QString references, output;
std::vector<std::string> failures;

void fail(const std::string& what) {
    failures.push_back(what);
    std::fprintf(stderr, "FAIL %s\n", what.c_str());
}

void settle() {
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 10; ++i) uirt::ProcessSystemEvents();
        uirt::Delay(0.05);
    }
}

// The window of `panel` as the X server shows it.
QImage grab(int panel) {
    settle();
    const auto id = static_cast<WId>(uirt::test::window_id(panel));
    QImage image = QGuiApplication::primaryScreen()->grabWindow(id).toImage();
    return image.convertToFormat(QImage::Format_RGB32);
}

// `panel`'s rectangle in the grabbed image's pixels.
QRect rect_of(int panel, const QImage& image) {
    int x = 0, y = 0, w = 0, h = 0;
    uirt::test::panel_rect(panel, x, y, w, h);
    const double ratio = image.devicePixelRatio();
    return QRect(QPoint(qRound(x * ratio), qRound(y * ratio)),
                 QSize(qRound(w * ratio), qRound(h * ratio)))
        .intersected(image.rect());
}

// Pixels of `a` and `b` that differ, marked red on a faded copy of `a`.
int differences(const QImage& a, const QImage& b, QImage* marked) {
    if (marked) {
        *marked = a.copy();
        for (int y = 0; y < marked->height(); ++y)
            for (int x = 0; x < marked->width(); ++x) {
                const QRgb p = marked->pixel(x, y);
                marked->setPixel(x, y,
                                 qRgb(128 + qGray(p) / 2, 128 + qGray(p) / 2, 128 + qGray(p) / 2));
            }
    }
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > channel_tolerance ||
                std::abs(qGreen(p) - qGreen(q)) > channel_tolerance ||
                std::abs(qBlue(p) - qBlue(q)) > channel_tolerance) {
                ++count;
                if (marked) marked->setPixel(x, y, qRgb(255, 0, 0));
            }
        }
    return count;
}

void save(const QImage& image, const QString& name) {
    image.save(output + "/" + name + ".png");
}

// Compares a capture with its reference image, or writes the reference.
void against_reference(const QImage& image, const std::string& reference, const std::string& shot) {
    const QString ref_path = references + "/" + QString::fromStdString(reference) + ".png";
    save(image, QString::fromStdString(shot));
    if (mode == Mode::invariant) return;
    if (mode == Mode::update) {
        // The first capture of a reference writes it; later ones are checked against it.
        static std::set<std::string> written;
        if (written.insert(reference).second) {
            image.save(ref_path);
            return;
        }
    }
    QImage wanted(ref_path);  // in update mode, the one just written
    if (wanted.isNull()) return fail(shot + ": no reference image " + ref_path.toStdString());
    wanted = wanted.convertToFormat(QImage::Format_RGB32);
    if (wanted.size() != image.size())
        return fail(shot + ": size " + std::to_string(image.width()) + "x" +
                    std::to_string(image.height()) + ", reference " +
                    std::to_string(wanted.width()) + "x" + std::to_string(wanted.height()));
    QImage marked;
    const int n = differences(image, wanted, &marked);
    if (n > share_tolerance * image.width() * image.height()) {
        save(marked, QString::fromStdString(shot) + ".diff");
        fail(shot + ": " + std::to_string(n) + " pixels differ from " + reference + " (see " +
             (output + "/" + QString::fromStdString(shot) + ".diff.png").toStdString() + ")");
    }
}

void check_layout(int panel, const std::string& shot) {
    for (const std::string& fault : uirt::test::layout_faults(panel)) fail(shot + ": " + fault);
}

void take_reading() {
    double value = 0;
    Reading(0, MSG_QUERY, &value);
    for (int i = 0; i < 100 && measuring; ++i) {
        uirt::test::idle();
        uirt::Delay(0.02);
    }
}

// A block from the main panel's sample count: the secondary panels stay as they were.
void take_block(int count) {
    SampleCount(0, MSG_SET, &count);
    SampleCount(0, MSG_COMMIT, nullptr);
    double scratch = 0;
    Readings(0, MSG_QUERY, &scratch);
    for (int i = 0; i < 100 && measuring; ++i) {
        uirt::test::idle();
        uirt::Delay(0.02);
    }
}

// Each secondary panel over the main panel as it is now; the panel's own pixels are kept
// for the invariant.
void secondaries_over(const std::string& beneath, std::map<std::string, QImage>& kept) {
    for (const Secondary& s : secondaries) {
        s.open(menu_bar, 0, nullptr, frame_panel);
        const QImage image = grab(frame_panel);
        const std::string shot = std::string(s.name) + "_over_" + beneath;
        against_reference(image, s.name, shot);
        check_layout(*s.panel, shot);
        const QImage own = image.copy(rect_of(*s.panel, image));
        if (auto it = kept.find(s.name); it == kept.end()) {
            kept[s.name] = own;
        } else if (own.size() != it->second.size() || differences(own, it->second, nullptr) > 0) {
            QImage marked;
            if (own.size() == it->second.size()) differences(own, it->second, &marked);
            save(marked, QString::fromStdString(shot) + ".invariant");
            fail(shot + ": the panel's pixels change with the main panel beneath it");
        }
        MenuMainCallback(menu_bar, 0, nullptr, frame_panel);
    }
}

void script() {
    std::map<std::string, QImage> kept;
    take_reading();
    QImage image = grab(frame_panel);
    against_reference(image, "main_reading", "main_reading");
    check_layout(main_panel, "main_reading");
    check_layout(frame_panel, "main_reading");
    secondaries_over("reading", kept);

    uirt::DisplayPanel(trigger_wait_panel);
    against_reference(grab(frame_panel), "trigger_wait", "trigger_wait");
    check_layout(trigger_wait_panel, "trigger_wait");
    uirt::HidePanel(trigger_wait_panel);

    take_block(40);
    against_reference(grab(frame_panel), "main_graph", "main_graph");
    check_layout(main_panel, "main_graph");
    secondaries_over("graph", kept);

    uirt::HidePanel(main_panel);
    secondaries_over("nothing", kept);
    uirt::DisplayPanel(main_panel);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string how = argc > 1 ? argv[1] : "";
    if (how == "check" && argc == 4)
        mode = Mode::check;
    else if (how == "update" && argc == 4)
        mode = Mode::update;
    else if (how == "invariant" && argc == 3)
        mode = Mode::invariant;
    else {
        std::fprintf(stderr,
                     "usage: panel_images check|update <references> <output>\n"
                     "       panel_images invariant <output>\n");
        return 2;
    }
    if (mode != Mode::invariant) references = argv[2];
    output = argv[argc - 1];
    QDir().mkpath(output);
    if (mode == Mode::update) QDir().mkpath(references);

    gutest::use_bus(bus);
    uirt::test::enable();
    static char name[] = "gu7304";
    static char* args[] = {name, nullptr};
    uirt::InitCVIRTE(1, args);
    // The Instrument Select dialog at start-up: its image, then OK by the keyboard's default.
    uirt::test::on_install_popup([](int panel) {
        const QImage image = grab(panel);
        against_reference(image, "select", "select");
        check_layout(panel, "select");
        uirt::test::press(panel, 3);
    });
    uirt::test::at_main_loop([] {
        script();
        uirt::QuitUserInterface(0);
    });
    const int result = gu::main(1, args);
    if (result != 0) fail("the program ended with " + std::to_string(result));
    uirt::CloseCVIRTE();
    std::printf("%zu image checks failed\n", failures.size());
    return failures.empty() ? 0 : 1;
}
