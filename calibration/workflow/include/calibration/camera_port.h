// The camera as the workflows use it. Programs hand in the camera library's
// capture graph through OculetCamera (oculet_camera.h); tests may hand in
// their own.
#pragma once

#include <chrono>
#include <string>
#include <thread>

#include <opencv2/core.hpp>

#include "oculet/CDShowCameraData.h"
#include "vantis/model/boundary.h"

namespace vantis::calibration {

// How a photograph after a pattern command is timed: when the picture has
// settled (watched on the camera's frames), or after the fixed waits, for
// cameras whose frames cannot be trusted (default.ini, [CAPTURE] PHOTO_WAIT).
enum class PhotoWait { Settled, Fixed };

// The programs' choice (from default.ini at start); Settled unless set.
PhotoWait DefaultPhotoWait();
void SetDefaultPhotoWait(PhotoWait wait);

// How a photograph after a pattern command came out.
enum class PhotoResult {
    Saved,
    NotSaved,      // no picture, or it could not be written
    NeverSettled,  // the picture kept changing until the ceiling: nothing saved
};

// What the calibration and the auto-tune need: numbered photos in the image
// folder of a vendor word, and the property record they tune.
class PhotoCamera {
  public:
    virtual ~PhotoCamera() = default;
    virtual void SetFilePrefixName(const std::string& prefix) = 0;
    virtual std::string GetImagePath() const = 0;
    // Photographs the picture as it is now (taken after this call), saved as
    // the numbered file in the image folder; 1 when it was saved.
    virtual int TakePhoto(int number) = 0;
    // Path of the last numbered photo, set whether or not it was saved.
    virtual std::string LastPhotoPath() const = 0;
    // Notes the picture shown now, before a command changes it.
    virtual void MarkPicture() {}
    // Photographs the picture once it has changed from the marked one and
    // holds still, waiting at most `ceiling`. A picture that holds still but
    // never changed is photographed at the ceiling (the command may have
    // changed nothing the camera sees); one that keeps changing is not.
    // A camera that cannot watch its frames waits the whole ceiling.
    virtual PhotoResult TakeSettledPhoto(int number, std::chrono::milliseconds ceiling) {
        std::this_thread::sleep_for(ceiling);
        return TakePhoto(number) == 1 ? PhotoResult::Saved : PhotoResult::NotSaved;
    }
    // Waits until the camera's picture holds still (a camera just opened or
    // given new settings), at most `ceiling`; false when it did not. A camera
    // that cannot watch its frames waits the whole ceiling.
    virtual bool WaitForStillPicture(std::chrono::milliseconds ceiling) {
        std::this_thread::sleep_for(ceiling);
        return true;
    }
    // The camera's property record; the auto-tune changes values in place.
    virtual CDShowCameraData& Properties() = 0;
    // Writes every supported value of the record to the camera.
    virtual void ApplyProperties() = 0;
    virtual void SetExposure(long value) = 0;
    virtual void SetGain(long value) = 0;
    // The size of the pictures the camera delivers; empty when not known.
    virtual cv::Size PictureSize() const { return {}; }
};

// Where the maintenance run opens the camera and what it gives the view.
struct CameraSetup {
    int width = 1920;  // picture size asked of the camera
    int height = 1080;
    int panelWidth = 0;  // the projectors' panel, for the view's grid
    int panelHeight = 0;
    int gridColumns = 0;  // engine-board grid of the pattern type
    int gridRows = 0;
    CBoundaryDoc* boundary = nullptr;  // the document's boundary tables, lent to the view
};

// A camera that can be chosen by name and opened: the maintenance run's.
class CameraDevice : public PhotoCamera {
  public:
    virtual int Count() = 0;
    virtual std::wstring Name(int index) = 0;
    // Stops and closes what is open, opens camera `index` with the setup, runs
    // it and reads its properties. False when it cannot be opened.
    virtual bool Open(int index, const CameraSetup& setup) = 0;
    // Takes the stored settings into the record and writes them to the camera.
    virtual void TakeConfig(const CDShowCameraData& stored) = 0;
    // Starts the view's grid editing (only where there is a view).
    virtual void StartGrid() = 0;
};

// The one camera model the programs support, under the name its Windows
// driver gives it and the shorter name V4L2 reports.
bool IsSupportedCameraModel(const std::wstring& name);
inline constexpr const wchar_t* kSupportedCameraModel = L"Logitech HD Pro Webcam C920";

}  // namespace vantis::calibration
