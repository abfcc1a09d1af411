#include <gtest/gtest.h>

#include <chrono>

#include "vantis/delays.h"
#include "vantis/model/reachability.h"

namespace vm = vantis::model;
using namespace std::chrono_literals;

namespace {

// Answers from the given attempt on (0: never), and records every attempt.
class ScriptedProber : public vm::EchoProber {
  public:
    explicit ScriptedProber(int answerFrom) : answerFrom_(answerFrom) {}
    bool Echo(std::uint32_t address, std::chrono::milliseconds timeout) override {
        ++attempts;
        lastAddress = address;
        lastTimeout = timeout;
        return answerFrom_ != 0 && attempts >= answerFrom_;
    }
    int attempts = 0;
    std::uint32_t lastAddress = 0;
    std::chrono::milliseconds lastTimeout{0};

  private:
    int answerFrom_;
};

}  // namespace

TEST(Reachability, SixAttemptsWithAWaitAfterEachFailure) {
    vantis::delays::SetDelayScale(0.01);  // 10 ms time-out and waits
    vantis::delays::SetTimeoutScale(0.01);
    ScriptedProber never(0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(vm::IsReachable(0xC0A8000B, never));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(never.attempts, 6);
    EXPECT_EQ(never.lastAddress, 0xC0A8000Bu);
    EXPECT_EQ(never.lastTimeout, 10ms);
    EXPECT_GE(elapsed, 60ms);  // six waits of 10 ms

    ScriptedProber fourth(4);
    EXPECT_TRUE(vm::IsReachable(0xC0A8000B, fourth));
    EXPECT_EQ(fourth.attempts, 4);
    vantis::delays::SetDelayScale(0);
    vantis::delays::SetTimeoutScale(0);
}

TEST(Reachability, LoopbackAddressAnswersTheEcho) {
    if (!vm::IcmpEchoProber::Available()) GTEST_SKIP() << "no ICMP socket may be opened here";
    vantis::delays::SetTimeoutScale(1.0);  // a reply comes at once; a real 1 s time-out only on failure
    vm::IcmpEchoProber prober;
    EXPECT_TRUE(prober.Echo(0x7F000046, 1000ms));  // 127.0.0.70
    EXPECT_TRUE(vm::IsReachable(0x7F000047));      // 127.0.0.71
    vantis::delays::SetTimeoutScale(0);
}
