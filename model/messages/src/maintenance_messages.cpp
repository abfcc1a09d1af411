// The maintenance program's texts, by id.
#include "vantis/messages/maintenance_messages.h"

namespace tendal {

vantis::messages::MessageTable& Messages() {
    static vantis::messages::MessageTable table{
        {101, "&About Tendal..."},
        {102, "The App is already exist."},
        {103, "%s Connect to projector (IP address : %s)\r\n"},
        {104, "%s Connect Success (IP address: %s)\r\n"},
        {105, "[%02d:%02d]"},
        {106, "%s Open %s\r\n"},
        {107, "%s Start collect Image data\r\n"},
        {108, "%s Finish collect Image data\r\n"},
        {109, "%s Complete\r\n"},
        {110, "%s Start Auto Tune\r\n"},
        {111, "%s Finish Auto Tune\r\n"},
        {112, "%s Stopped: the projectors show their pictures again; nothing of this run was saved\r\n"},
        {113, "An error occurred when load default.ini. Please re-install software again."},
        {114,
         "The data folder %s cannot be used: its path contains ';', which separates the photo list.\r\n"},
        {500,
         "[SYSTEM ERROR 0001]:\r\nThe system connecting to projector fail(IP address: %s). Please make sure "
         "the "
         "ethernet cable is attached to the projector.\r\n"},
        {501,
         "[SYSTEM ERROR 0002]:\r\nThe projector (IP address: %s) failed at the %s (link result %d: %s).\r\n"},
        {1000,
         "[CORRECT ERROR 0001]:\r\n System can't detect camera. Make sure the camera's usb cable is attached "
         "to "
         "the system and the driver is installed.\r\n "},
        {1002,
         "[CORRECT ERROR 0003]:\r\n The complete pojection center pattern is not found from camera.Shorten "
         "the "
         "distance between camerea and projection screen or adjust the camera parameter. \r\n "},
        {1003, "[CORRECT ERROR 0004]:\r\n The warp calculation failed: %s.\r\n"},
        {2000, "[CONFIG ERROR 0001]:\r\n The system can't find Config.cfg.\r\n"},
        {2001, "[CONFIG ERROR 0002]:\r\n The configuration %s is damaged: %s.\r\n"},
    };
    return table;
}

}  // namespace tendal
