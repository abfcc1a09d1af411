// "Edge Blending Settings": the blend gamma, downloaded to every projector
// as soon as the slider moves to a new position.
#pragma once

#include <QDialog>

#include "dialogs/overlap_logic.h"

class QLabel;
class QSlider;
namespace VantisAuto {
class CDoc;
}

class CBlendSettingsDlg : public QDialog {
public:
    explicit CBlendSettingsDlg(VantisAuto::CDoc& doc, QWidget* parent = nullptr);
    QSlider* Slider() const { return slider_; }
    QLabel* Text() const { return text_; }
    int Downloads() const { return downloads_; }

private:
    void OnMove(int position);

    VantisAuto::CDoc& doc_;
    meridan::dialogs::GammaModel gamma_;
    QSlider* slider_ = nullptr;
    QLabel* text_ = nullptr;
    int downloads_ = 0;
};
