// The maintenance program's message table: its log lines and start-up
// messages. The numbers overlap the calibration program's with other texts.
#pragma once

#include "vantis/messages/message_table.h"

namespace tendal::msg {

inline constexpr int kAboutMenu = 101;
inline constexpr int kAlreadyRunning = 102;
inline constexpr int kConnectProjector = 103;  // time stamp, address text
inline constexpr int kConnectSuccess = 104;    // time stamp, address text
inline constexpr int kTimeStamp = 105;         // hour, minute
inline constexpr int kOpenCamera = 106;        // time stamp, camera name
inline constexpr int kStartCollect = 107;
inline constexpr int kFinishCollect = 108;
inline constexpr int kComplete = 109;
inline constexpr int kStartAutoTune = 110;
inline constexpr int kFinishAutoTune = 111;
inline constexpr int kStopped = 112;  // time stamp
inline constexpr int kDefaultIniError = 113;
inline constexpr int kDataFolderRefused = 114;    // folder
inline constexpr int kConnectFailed = 500;        // address text
inline constexpr int kProjectorStepFailed = 501;  // address text, step, link result, its meaning
inline constexpr int kWarpFailed = 1003;          // what failed
inline constexpr int kNoCamera = 1000;
inline constexpr int kCentrePatternMissing = 1002;
inline constexpr int kNoConfig = 2000;
inline constexpr int kConfigDamaged = 2001;  // file, reason

}  // namespace tendal::msg

namespace tendal {

vantis::messages::MessageTable& Messages();

}  // namespace tendal
