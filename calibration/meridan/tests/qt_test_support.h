// What the program's widget tests share: one QApplication for the process on
// the offscreen platform, an echo prober for which every address answers, and
// a wait that keeps the event loop turning until a condition holds.
#pragma once

#include <chrono>
#include <cstdint>

#include <QApplication>

#include "vantis/model/reachability.h"
#include "vantis/testing/qt_app.h"

namespace meridan::test {

inline QApplication& App() {
    return vantis::testing::QtApp();
}
using vantis::testing::WaitFor;

class AlwaysAnswers : public vantis::model::EchoProber {
  public:
    bool Echo(std::uint32_t, std::chrono::milliseconds) override { return true; }
};

}  // namespace meridan::test
