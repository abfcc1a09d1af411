// Every fixed wait and time-out of the system, in one place.
//
// The nominal values are what the hardware and the operators expect. Code never
// sleeps or times out on a literal; it asks for the effective value:
//  - Scaled() for waits that always elapse (the pause before a photograph, the
//    retry wait of the echo test). Tests and the simulated demo shrink them all
//    at once with VANTIS_DELAY_SCALE (for example 0.001) or SetDelayScale().
//  - ScaledTimeout() for bounds on waiting for a peer (link exchanges, echo
//    replies). They only elapse when something fails, so shrinking them speeds
//    up nothing that works, while making a busy machine look like a dead board.
//    They follow VANTIS_TIMEOUT_SCALE or SetTimeoutScale(), 1.0 by default; a
//    test of time-out behaviour sets them explicitly.
// The scales live in the shared library vantis_common, so one setting reaches
// every library of the process.
#pragma once

#include <chrono>

namespace vantis::delays {

using std::chrono::milliseconds;

// Projector link
inline constexpr milliseconds kLinkTimeout{10000};    // receive and send time-out of every exchange
inline constexpr milliseconds kKeepAliveIdle{30000};  // TCP keep-alive idle time (not scaled: kernel seconds)
inline constexpr milliseconds kKeepAliveInterval{1000};  // TCP keep-alive probe interval (not scaled)
inline constexpr milliseconds kLinkConnectTimeout{
    21000};  // bound on connecting to a board (a usual platform default)

// Simulated engine board
inline constexpr milliseconds kBoardSegmentGap{20};    // pause between the pieces of a reply sent split
inline constexpr milliseconds kBoardLateReply{15000};  // a late reply comes this long after its request

// Simulated wall
inline constexpr milliseconds kSimCameraFrameInterval{
    100};  // virtual camera: a new picture about 10 times a second

// Reachability test (ICMP echo)
inline constexpr milliseconds kEchoTimeout{1000};    // one echo attempt
inline constexpr milliseconds kEchoRetryWait{1000};  // wait after a failed attempt
inline constexpr int kEchoAttempts = 6;

// Calibration capture
inline constexpr milliseconds kPatternSettle{3000};         // pattern shown -> photograph
inline constexpr milliseconds kPhotoSettle{1600};           // camera settling wait inside TakePhoto
inline constexpr milliseconds kPhotoGrabWait{200};          // wait for the grabbed picture
inline constexpr milliseconds kMaintenanceStartWait{3000};  // maintenance run: pause before the first step

// Worker threads of the programs
inline constexpr milliseconds kWorkerStartWait{100};
inline constexpr milliseconds kWorkerStopWait{6000};
inline constexpr milliseconds kImageViewStartWait{500};
inline constexpr milliseconds kImageViewStopWait{1000};

// Calibration program: how often the attached cameras are listed to notice arrivals and removals
inline constexpr milliseconds kCameraWatchInterval{1000};

// Camera view control
inline constexpr milliseconds kViewMouseTimer{10};

// Camera library
inline constexpr milliseconds kCameraManualSwitchWait{
    200};  // GetProperty: reads -> switching four properties to manual
inline constexpr milliseconds kCameraFramePoll{
    33};  // virtual camera: pause before asking again for a new frame
// Failure bounds, not waits: a healthy peer answers at once, so these are not scaled.
inline constexpr milliseconds kVirtualCameraReplyTimeout{
    5000};  // one request/reply on the virtual camera socket
inline constexpr milliseconds kCameraFirstFrameTimeout{
    3000};  // TakePhoto right after Run: wait for the first frame
inline constexpr milliseconds kPhotoFreshFrameTimeout{
    5000};  // workflows: bound on waiting for pictures taken after a pattern change

// Current scale factor (1.0 unless VANTIS_DELAY_SCALE or SetDelayScale says otherwise).
double DelayScale();
// Overrides the scale for this process (tests). Values <= 0 restore the environment's.
void SetDelayScale(double scale);
// The effective duration of a nominal delay; never negative, at least 1 ms when nominal > 0.
milliseconds Scaled(milliseconds nominal);
// Time-out scale (1.0 unless VANTIS_TIMEOUT_SCALE or SetTimeoutScale says otherwise).
double TimeoutScale();
// Overrides the time-out scale for this process. Values <= 0 restore the environment's.
void SetTimeoutScale(double scale);
// The effective duration of a nominal time-out; at least 1 ms when nominal > 0.
milliseconds ScaledTimeout(milliseconds nominal);
// Sleeps for Scaled(nominal).
void Sleep(milliseconds nominal);

}  // namespace vantis::delays
