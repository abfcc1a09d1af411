// The threshold dialog of a re-calibration: channel by channel, the
// thresholded difference of the stored black and white photos in the image
// view, and a slider that sets the channel's threshold and recomputes the
// picture. Done or Cancel ends the review.
#pragma once

#include <QWidget>

#include <functional>
#include <mutex>

#include <opencv2/core.hpp>

#include "dialogs/threshold_logic.h"

class CCvImageCtrl;
class QLabel;
class QPushButton;
class QSlider;
namespace VantisAuto {
class CChannel;
class CDoc;
}  // namespace VantisAuto

class CThresholdDlg : public QWidget {
  public:
    CThresholdDlg(VantisAuto::CDoc& doc, CCvImageCtrl& view, QWidget* parent = nullptr);
    ~CThresholdDlg() override;

    // Called once with true for Done and false for Cancel.
    void SetFinishedHandler(std::function<void(bool)> h) { onFinished_ = std::move(h); }
    // Engine failures (the compute result); none by default.
    void SetErrorHandler(std::function<void(int)> h) { onError_ = std::move(h); }

    bool ShowChannel(int k);
    void OnNext();
    void OnPrevious();
    void OnSlider(int position);
    void Finish(bool done);
    // Waits (serving events) until the picture of the current channel is drawn.
    bool WaitIdle(int ms = 20000);

    int Index() const { return steps_.Index(); }
    QPushButton* NextButton() const { return next_; }
    QPushButton* PreviousButton() const { return previous_; }
    QPushButton* DoneButton() const { return done_; }
    QSlider* Slider() const { return slider_; }
    QLabel* Label() const { return label_; }

  private:
    void Compute(cv::Mat& picture);
    void ComputeDone();
    void ShowButtons();

    VantisAuto::CDoc& doc_;
    CCvImageCtrl& view_;
    meridan::dialogs::ThresholdSteps steps_;
    VantisAuto::CChannel* current_ = nullptr;
    std::function<void(bool)> onFinished_;
    std::function<void(int)> onError_;
    bool busy_ = false;
    bool finished_ = false;
    QSlider* slider_ = nullptr;
    QLabel* label_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* previous_ = nullptr;
    QPushButton* done_ = nullptr;
    QPushButton* cancel_ = nullptr;
};
