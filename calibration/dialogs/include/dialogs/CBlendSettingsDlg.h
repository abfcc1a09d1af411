// "Edge Blending Settings": the blend gamma. Dragging the slider only shows
// the value; the blend maps are downloaded once the slider is let go (or
// after a key or a click on the track), on a worker thread, so the window
// never waits for the projectors. Changes made while a download runs are
// sent together when it ends. There is one such dialog per parent window.
#pragma once

#include <QDialog>

#include <functional>
#include <thread>

#include "dialogs/overlap_logic.h"

class QLabel;
class QPushButton;
class QSlider;
namespace VantisAuto {
class CDoc;
}

class CBlendSettingsDlg : public QDialog {
  public:
    // Downloads the blend maps of every projector with a gamma; runs on the
    // worker thread.
    using Downloader = std::function<void(double gamma)>;

    explicit CBlendSettingsDlg(VantisAuto::CDoc& doc, QWidget* parent = nullptr);
    // Waits for a download still running.
    ~CBlendSettingsDlg() override;

    // The parent's dialog, raised, or a new one that deletes itself on close.
    static CBlendSettingsDlg* ShowFor(VantisAuto::CDoc& doc, QWidget* parent);

    void SetDownloader(Downloader d) { download_ = std::move(d); }
    QSlider* Slider() const { return slider_; }
    QLabel* Text() const { return text_; }
    QPushButton* CloseButton() const { return close_; }
    // Downloads started so far.
    int Downloads() const { return downloads_; }
    bool Downloading() const { return worker_.joinable(); }
    // Handles events until no download runs or the time-out passes.
    bool WaitIdle(int timeoutMs = 10000);

  private:
    void OnMove(int position);
    void Commit();
    void StartDownload();
    void DownloadEnded();

    VantisAuto::CDoc& doc_;
    meridan::dialogs::GammaModel gamma_;
    Downloader download_;
    QSlider* slider_ = nullptr;
    QLabel* text_ = nullptr;
    QPushButton* close_ = nullptr;
    std::thread worker_;
    int downloads_ = 0;
    int sentPosition_ = -1;  // the gamma (tenths) the projectors have or are getting
};
