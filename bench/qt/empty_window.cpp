// The reference for the program's start-up and idle figures: an empty Qt main window,
// started and measured exactly as the program is.
//   empty_window [--quit-when-shown]

#include <QApplication>
#include <QMainWindow>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(900, 600);
    window.show();
    QApplication::processEvents();
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--quit-when-shown") == 0)
            std::_Exit(0); // as the program ends its measured start-up

    return QApplication::exec();
}
