// Modal pop-ups; in scripted mode they are recorded and answered without blocking.
#include <sys/stat.h>

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <array>

#include "runtime.hpp"
#include "value.hpp"

namespace uirt {

using namespace detail;

namespace {

constexpr std::size_t path_buffer_size = MAX_PATHNAME_LEN;

test::Answer scripted_answer(test::Popup popup) {
    Runtime& r = rt();
    r.popups_seen.push_back(popup);
    ModalScope modal;
    if (r.responder) return r.responder(popup);
    if (!r.answers.empty()) {
        test::Answer answer = std::move(r.answers.front());
        r.answers.pop_front();
        return answer;
    }
    test::Answer answer;
    if (popup.kind == "file") answer.result = VAL_NO_FILE_SELECTED;
    return answer;
}

QString qs(const char* text) {
    return QString::fromUtf8(text ? text : "");
}

// ".st" for "*.st"; empty when the pattern names no single extension.
std::string pattern_extension(const char* pattern) {
    const std::string s = pattern ? pattern : "";
    const auto dot = s.rfind('.');
    if (dot == std::string::npos) return {};
    const std::string ext = s.substr(dot);
    if (ext.size() < 2 || ext.find_first_of("*?/;") != std::string::npos) return {};
    return ext;
}

std::string with_extension(std::string path, const char* pattern, int restrict_extension) {
    if (!restrict_extension) return path;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return path;  // an existing file is taken as named
    const std::string ext = pattern_extension(pattern);
    const auto slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (!ext.empty() && !name.empty() && name.find('.') == std::string::npos) path += ext;
    return path;
}

int file_result(int result, const std::string& path, char* pathName) {
    if (pathName) pathName[0] = '\0';
    if (result == VAL_NO_FILE_SELECTED || path.empty()) return VAL_NO_FILE_SELECTED;
    // A path that does not fit is refused rather than cut: a cut path names another file.
    if (path.size() >= path_buffer_size) return VAL_NO_FILE_SELECTED;
    copy_text(path, pathName, path_buffer_size);
    return result;
}

// Runs a dialog centred on the program's window. Qt places a dialog before it takes its final
// size (a message box sizes itself when shown), so it is centred again once it is up. It
// takes the keyboard then too, so that Return and Escape reach it even when it comes up
// while another window (a ring's open list) still held the focus.
int run_centred(QDialog& dialog) {
    QPointer<QWidget> owner = dialog.parentWidget();
    QTimer::singleShot(0, &dialog, [&dialog, owner] {
        centre_on(&dialog, owner.data());
        dialog.raise();
        dialog.activateWindow();
    });
    return dialog.exec();
}

}  // namespace

int MessagePopup(const char* title, const char* message) {
    if (rt().scripted) {
        scripted_answer({"message", title ? title : "", message ? message : "", {"OK"}});
        return 0;
    }
    if (!ensure_app()) return UIE_BAD_HANDLE;
    ModalScope modal;
    QMessageBox box(QMessageBox::NoIcon, qs(title), qs(message), QMessageBox::Ok, program_window());
    run_centred(box);
    return 0;
}

int ConfirmPopup(const char* title, const char* message) {
    if (rt().scripted) {
        const auto answer =
            scripted_answer({"confirm", title ? title : "", message ? message : "", {"Yes", "No"}});
        return answer.result ? 1 : 0;
    }
    if (!ensure_app()) return 0;
    ModalScope modal;
    QMessageBox box(QMessageBox::Question, qs(title), qs(message),
                    QMessageBox::Yes | QMessageBox::No, program_window());
    box.setDefaultButton(QMessageBox::Yes);
    return run_centred(box) == QMessageBox::Yes ? 1 : 0;
}

int GenericMessagePopup(const char* title, const char* message, const char* button1,
                        const char* button2, const char* button3, char* response,
                        int maxResponseLength, int, int, int enterButton, int escapeButton) {
    const std::array<const char*, 3> labels{button1, button2, button3};
    test::Popup popup{"generic", title ? title : "", message ? message : "", {}};
    for (const char* label : labels)
        if (label && *label) popup.buttons.emplace_back(label);
    const int buttons = static_cast<int>(popup.buttons.size());
    const bool wants_text = response != nullptr && maxResponseLength > 0;
    const auto give_text = [&](const std::string& text) {
        // maxResponseLength counts the terminator too, so the buffer is never overrun.
        if (wants_text) copy_text(text, response, static_cast<std::size_t>(maxResponseLength));
    };
    if (rt().scripted) {
        const auto answer = scripted_answer(popup);
        give_text(answer.path);
        return std::clamp(answer.result, 1, std::max(buttons, 1));
    }
    if (!ensure_app()) return 1;
    ModalScope modal;
    QDialog dialog(program_window());
    dialog.setWindowTitle(qs(title));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(qs(message)));
    QLineEdit* edit = nullptr;
    if (wants_text) {
        edit = new QLineEdit();
        edit->setMaxLength(maxResponseLength - 1);
        layout->addWidget(edit);
    }
    auto* box = new QDialogButtonBox();
    int chosen = escapeButton >= 1 && escapeButton <= buttons ? escapeButton : buttons;
    // Return presses the enter button (the first when none is given), Escape the escape one.
    const int enter = enterButton >= 1 && enterButton <= buttons ? enterButton : 1;
    for (int i = 0; i < buttons; ++i) {
        QPushButton* b =
            box->addButton(QString::fromStdString(popup.buttons[i]), QDialogButtonBox::ActionRole);
        if (i + 1 == enter) b->setDefault(true);
        QObject::connect(b, &QPushButton::clicked, &dialog, [&dialog, &chosen, i] {
            chosen = i + 1;
            dialog.accept();
        });
    }
    layout->addWidget(box);
    run_centred(dialog);
    if (edit) give_text(edit->text().toStdString());
    return std::max(chosen, 1);
}

int FileSelectPopup(const char* defaultDirectory, const char* defaultFileSpec,
                    const char* fileTypeList, const char* title, int buttonLabel, int,
                    int restrictExtension, int allowCancel, int, char* pathName) {
    static constexpr std::array<const char*, 4> button_names{"OK", "Save", "Select", "Load"};
    const char* button = buttonLabel >= 0 && buttonLabel < 4 ? button_names[buttonLabel] : "OK";
    if (rt().scripted) {
        const auto answer = scripted_answer(
            {"file", title ? title : "", defaultFileSpec ? defaultFileSpec : "", {button}});
        return file_result(answer.result,
                           with_extension(answer.path, defaultFileSpec, restrictExtension),
                           pathName);
    }
    if (!ensure_app()) return file_result(VAL_NO_FILE_SELECTED, {}, pathName);
    ModalScope modal;
    QStringList filters;
    if (defaultFileSpec && *defaultFileSpec) filters << qs(defaultFileSpec);
    if (fileTypeList && *fileTypeList)
        for (const QString& f : qs(fileTypeList).split(';', Qt::SkipEmptyParts)) filters << f;
    filters << QStringLiteral("All files (*)");
    filters.removeDuplicates();
    QFileDialog dialog(program_window(), qs(title), qs(defaultDirectory));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The caller decides what an existing file means (and may ask); no second question here.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(filters);
    dialog.setLabelText(QFileDialog::Accept, QString::fromUtf8(button));
    const bool saving = buttonLabel == VAL_SAVE_BUTTON;
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // A name that does not exist is returned as new: the caller has its own message for it.
    dialog.setFileMode(QFileDialog::AnyFile);
    (void)allowCancel;  // the window can always be closed; that counts as a cancel
    if (run_centred(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return file_result(VAL_NO_FILE_SELECTED, {}, pathName);
    const std::string path = with_extension(dialog.selectedFiles().first().toStdString(),
                                            defaultFileSpec, restrictExtension);
    const QFileInfo info(QString::fromStdString(path));
    return file_result(info.isFile() ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED, path,
                       pathName);
}

}  // namespace uirt
