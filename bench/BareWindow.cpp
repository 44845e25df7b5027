// The floor for start-up figures: a Qt main window holding one label, shown, and reported as
// soon as the event loop is idle, in the same form as pelorin --startup-probe. Linked to Qt
// Widgets alone, so it pays only what any Qt program on this machine pays to open a window.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>

#include <cstdio>
#include <ctime>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setCentralWidget(new QLabel(QStringLiteral("A bare window")));
    window.resize(800, 600);
    window.show();
    QTimer::singleShot(0, &window, [] {
        timespec now {};
        clock_gettime(CLOCK_MONOTONIC, &now);
        std::printf("monotonic_ns=%lld\n",
                    static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
        QApplication::exit(0);
    });
    return QApplication::exec();
}
