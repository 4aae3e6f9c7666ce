// Prints the X clipboard's text: the acceptance run reads a control's value after Ctrl+C.
#include <QClipboard>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    std::printf("%s\n", QGuiApplication::clipboard()->text().toUtf8().constData());
    return 0;
}
