// The floor for the start-up figures: a Qt Widgets program that shows one empty window of the title screen's size
// and ends as soon as that window has been painted once. With --label the window also shows one line of Japanese
// text, which is what it takes for the fonts (fontconfig, a Latin face and a CJK fallback) to load at all.
#include "quit_when_shown.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <cstring>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(470, 295);
    if (argc > 1 && std::strcmp(argv[1], "--label") == 0)
        (new QLabel(QStringLiteral("ありがとうございました。"), &window))->move(16, 16);
    window.show();
    fururupo::bench::quitWhenShown(window);
    return QApplication::exec();
}
