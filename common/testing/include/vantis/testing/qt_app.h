// The one QApplication of a widget test program, on the offscreen platform
// unless QT_QPA_PLATFORM says otherwise; made at the first call and kept to
// the end of the process. And a wait that keeps the event loop turning.
#pragma once

#include <QApplication>
#include <QElapsedTimer>

namespace vantis::testing {

inline QApplication& QtApp() {
    static int argc = 1;
    static char name[] = "vantis_tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Processes events until predicate() holds; false after ms milliseconds.
template <class Predicate>
bool WaitFor(Predicate predicate, int ms = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!predicate()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

}  // namespace vantis::testing
