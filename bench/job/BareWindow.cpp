// The yardstick for the program's own start-up and exit in bench/job/run.sh: a bare Qt
// program that builds a main window with a text panel, shows it, and quits from the first
// turn of its event loop.
#include <QApplication>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setCentralWidget(new QPlainTextEdit(&window));
    window.resize(701, 416);
    window.show();
    QTimer::singleShot(0, &app, &QApplication::quit);
    return app.exec();
}
