// The reference for the program's start-up and idle figures: an empty Qt main window,
// started and measured exactly as the program is. With --tick it also wakes every MS
// milliseconds and does nothing: the least that a step every MS milliseconds can cost. With
// --text its status bar shows one line of text, as any window with text does: the font
// database that costs is paid by every such window.
//   empty_window [--quit-when-shown] [--tick MS] [--text]

#include <QApplication>
#include <QMainWindow>
#include <QStatusBar>
#include <QTimer>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(900, 600);
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--text") == 0)
            window.statusBar()->showMessage(QStringLiteral("Pripravljen"));
    window.show();
    QApplication::processEvents();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quit-when-shown") == 0)
            std::_Exit(0); // as the program ends its measured start-up
        if (std::strcmp(argv[i], "--tick") == 0 && i + 1 < argc)
            tick.start(std::atoi(argv[i + 1]));
    }

    return QApplication::exec();
}
