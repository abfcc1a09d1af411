// The camera dialog: the supported cameras, Open Camera (always 1920 x 1080)
// with the project's stored or the camera's default settings, and two pages of
// property controls, "Camera Control" (pan, tilt, zoom, focus) and "Advance"
// (exposure, gain, brightness, contrast, Auto Tune). Every change goes to the
// camera at once.
#pragma once

#include <QWidget>

#include <functional>

#include "oculet/CDShowCameraData.h"

class CDShowCameraCtrl;
class QListWidget;
class QPushButton;
class QSlider;
class QStackedWidget;
namespace VantisAuto {
class CDoc;
}

// The property pages act on a camera record through a setter, so that they
// can be driven without a device.
using PropertySetter = std::function<void(CameraProperty, long)>;

class CCameraCtrlPage : public QWidget {
  public:
    CCameraCtrlPage(PropertySetter set, QWidget* parent = nullptr);
    void Refresh(const CDShowCameraData& camera);
    QSlider* Zoom() const { return zoom_; }
    QSlider* Focus() const { return focus_; }
    QPushButton* PanMinus() const { return panMinus_; }

  private:
    PropertySetter set_;
    const CDShowCameraData* camera_ = nullptr;
    QSlider* zoom_ = nullptr;
    QSlider* focus_ = nullptr;
    QPushButton* panMinus_ = nullptr;
    QPushButton* panPlus_ = nullptr;
    QPushButton* tiltPlus_ = nullptr;
    QPushButton* tiltMinus_ = nullptr;
    bool filling_ = false;
};

class CCameraAdvancePage : public QWidget {
  public:
    CCameraAdvancePage(PropertySetter set, std::function<void()> autoTune, QWidget* parent = nullptr);
    void Refresh(const CDShowCameraData& camera, bool running);
    QSlider* Exposure() const { return exposure_; }
    QSlider* Gain() const { return gain_; }
    QPushButton* AutoTune() const { return autoTune_; }

  private:
    PropertySetter set_;
    QSlider* exposure_ = nullptr;
    QSlider* gain_ = nullptr;
    QSlider* brightness_ = nullptr;
    QSlider* contrast_ = nullptr;
    QPushButton* autoTune_ = nullptr;
    bool filling_ = false;
};

class CCameraDlg : public QWidget {
  public:
    CCameraDlg(VantisAuto::CDoc& doc, CDShowCameraCtrl& view, QWidget* parent = nullptr);

    void SetExitHandler(std::function<void()> h) { onExit_ = std::move(h); }
    void SetAutoTuneHandler(std::function<void()> h) { onAutoTune_ = std::move(h); }

    void FillCameraList();
    // Opens the selected camera; false when nothing is selected or the open failed.
    bool OpenCamera();
    void ShowPage(int page);
    void RefreshPages();
    void Exit();
    // The auto-tune workflow ended: the pages show the camera's new values.
    void AutoTuneEnded();
    int AutoTunesEnded() const { return autoTunesEnded_; }

    QListWidget* CameraList() const { return list_; }
    CCameraCtrlPage* ControlPage() const { return control_; }
    CCameraAdvancePage* AdvancePage() const { return advance_; }

  private:
    void Set(CameraProperty p, long value);

    VantisAuto::CDoc& doc_;
    CDShowCameraCtrl& view_;
    std::function<void()> onExit_;
    std::function<void()> onAutoTune_;
    QListWidget* list_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    CCameraCtrlPage* control_ = nullptr;
    CCameraAdvancePage* advance_ = nullptr;
    int autoTunesEnded_ = 0;
};
