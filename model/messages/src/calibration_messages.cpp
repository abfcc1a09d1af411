// The calibration program's texts, by id.
#include "vantis/messages/calibration_messages.h"

namespace meridan {

vantis::messages::MessageTable& Messages() {
    static vantis::messages::MessageTable table{
        {101, "About &%s "},
        {102, "IP Address"},
        {103, "Image Sharpness : %d"},
        {105, "Please Wait ..."},
        {109, "Connect to projector (IP address %d)."},
        {110, "The %s is already exist."},
        {119, "Lost Camera \"%s\""},
        {120, "IP address repeat !"},
        {149, "Row"},
        {150, "Column"},
        {153, "Gamma: %.1f"},
        {157, "About %s"},
        {158,
         "[SYSTEM ERROR 0001]:\r\nThe system connecting to projector fail(IP address: %d). Please make sure "
         "the "
         "ethernet cable is attached to the projector."},
        {201,
         "[CORRECT ERROR 0001]:\r\n System can't capature the image. Make sure the camera's usb cable is "
         "attached "
         "to the system and the driver is installed. Or access the imagefile fail."},
        {203,
         "[CORRECT ERROR 0003]:\r\n The complete pojection center pattern is not found from camera.Shorten "
         "the "
         "distance between camerea and projection screen or adjust the camera parameter. "},
        {204,
         "[CORRECT ERROR 0004]:\r\n The system AutoTune is fail . Maybe the Projector brightness are "
         "inconsistent.Please verify and adjust the camera parameters"},
        {205, "The system communicate to projector fail. Please make sure the ethernet state."},
        {206,
         "[CORRECT ERROR 0006]:\r\n The camera picture kept changing after a pattern was shown, so no "
         "photograph "
         "was taken and nothing was saved. Make sure nothing moves between the projectors and the screen and "
         "the "
         "camera is fixed, or set PHOTO_WAIT=fixed in section CAPTURE of default.ini."},
        {500, "Comfirm Version (IP address %d)."},
        {501, "Comfirm Input Port (IP address %d)."},
        {502, "Comfirm Output Resolution (IP address %d)."},
        {503, "Comfirm Settings (IP address %d)."},
        {504, "Saving Configuration (IP address %d)."},
        {505, "Reset All Settings?"},
        {506, "An error occurred when load default.ini. Please re-install software again."},
    };
    return table;
}

}  // namespace meridan
