// The overlap page of the new-project wizard: horizontal and vertical overlap
// sliders with their percent and pixel texts, the wall's total resolution and
// Preview, which draws the overlap zones on the projectors.
#pragma once

#include <QWidget>

#include "dialogs/overlap_logic.h"
#include "vantis/model/reachability.h"

class QLabel;
class QSlider;
class QPushButton;
namespace VantisAuto {
class CDoc;
}

class CBlendPage : public QWidget {
  public:
    explicit CBlendPage(QWidget* parent = nullptr);
    ~CBlendPage() override;

    meridan::dialogs::BlendPageModel& Model() { return model_; }
    // Start-up values from the document.
    void LoadFrom(const VantisAuto::CDoc& doc);
    // The page becomes current; with `reset` the overlap returns to its minimum.
    void Refresh(bool reset);
    // The wizard's preview channels (owned by the wizard) and the echo test.
    void SetChannels(VantisAuto::CDoc* channels, vantis::model::EchoProber* prober);
    void Preview();

    QSlider* Slider(int axis) const { return sliders_[axis]; }
    QLabel* TotalLabel() const { return total_; }
    QPushButton* PreviewButton() const { return preview_; }

  private:
    void Show();
    void OnSlider(int axis, int position);

    meridan::dialogs::BlendPageModel model_;
    QSlider* sliders_[2] = {nullptr, nullptr};
    QLabel* percentText_[2] = {nullptr, nullptr};
    QLabel* pixelText_[2] = {nullptr, nullptr};
    QLabel* total_ = nullptr;
    QPushButton* preview_ = nullptr;
    VantisAuto::CDoc* channels_ = nullptr;
    vantis::model::EchoProber* prober_ = nullptr;
    bool showing_ = false;
};
