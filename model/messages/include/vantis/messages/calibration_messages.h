// The calibration program's message table (its numbered texts).
#pragma once

#include "vantis/messages/message_table.h"

namespace meridan::msg {

inline constexpr int kAboutMenu = 101;  // "About &%s " (application name)
inline constexpr int kIpAddressColumn = 102;
inline constexpr int kImageSharpness = 103;  // "%d"
inline constexpr int kPleaseWait = 105;
inline constexpr int kConnectProjector = 109;  // last address octet
inline constexpr int kAlreadyRunning = 110;    // product word
inline constexpr int kLostCamera = 119;        // camera name
inline constexpr int kIpAddressRepeat = 120;
inline constexpr int kRowColumn = 149;
inline constexpr int kColumnColumn = 150;
inline constexpr int kGammaLabel = 153;     // "%.1f"
inline constexpr int kAboutCaption = 157;   // application name
inline constexpr int kConnectFailed = 158;  // last address octet
inline constexpr int kCaptureFailed = 201;
inline constexpr int kCentrePatternMissing = 203;
inline constexpr int kAutoTuneFailed = 204;
inline constexpr int kCommunicationFailed = 205;
inline constexpr int kPictureNeverSettled = 206;
inline constexpr int kConfirmVersion = 500;
inline constexpr int kConfirmInputPort = 501;
inline constexpr int kConfirmResolution = 502;
inline constexpr int kConfirmSettings = 503;
inline constexpr int kSavingConfiguration = 504;
inline constexpr int kResetAllSettings = 505;
inline constexpr int kDefaultIniError = 506;

}  // namespace meridan::msg

namespace meridan {

// The program's one table (shared by its threads).
vantis::messages::MessageTable& Messages();

}  // namespace meridan
