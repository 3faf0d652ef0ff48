// The reference for the program's start-up and idle figures: an empty Qt main window,
// started and measured exactly as the program is.
//   empty_window [--quit-when-shown]

#include <QApplication>
#include <QMainWindow>

#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(900, 600);
    window.show();
    QApplication::processEvents();
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--quit-when-shown") == 0)
            return 0;
    return QApplication::exec();
}
