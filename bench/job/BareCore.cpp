// The yardstick for a command-line run's own start-up and exit in bench/job/run.sh: a bare Qt
// program without a window, which enters its event loop and quits from it.
#include <QCoreApplication>
#include <QTimer>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}
