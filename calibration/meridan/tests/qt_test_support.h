// What the program's widget tests share: one QApplication for the process on
// the offscreen platform, an echo prober for which every address answers, and
// a wait that keeps the event loop turning until a condition holds.
#pragma once

#include <chrono>
#include <cstdint>

#include <QApplication>
#include <QElapsedTimer>

#include "vantis/model/reachability.h"

namespace meridan::test {

inline QApplication& App() {
    static int argc = 1;
    static char name[] = "meridan_tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = new QApplication(argc, argv);  // kept to process end
    return *app;
}

class AlwaysAnswers : public vantis::model::EchoProber {
public:
    bool Echo(std::uint32_t, std::chrono::milliseconds) override { return true; }
};

// Processes events until predicate() holds; false after ms milliseconds.
template <class P>
bool WaitFor(P predicate, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (!predicate()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

}  // namespace meridan::test
