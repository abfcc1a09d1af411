// The boundary dialog: grid number, zoom (slider and wheel), warping mode,
// the test picture on the projectors, the editing keys of the grid drawn by
// the camera view's overlay, Automatic, Reset Boundary and Exit.
//
// The test pictures are projector commands: the dialog hands them to its
// command queue (the window's, which runs them in order off the window
// thread); without one they run at once.
#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

#include "Gridveil/GridTables.h"
#include "VantisCore.h"

class CDShowCameraCtrl;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QSlider;
namespace VantisAuto {
class CDoc;
}

class CBoundaryDlg : public QWidget {
  public:
    enum Pattern { kDesktop = 0, kFullFill = 1, kBorder = 2, kOverlap = 3 };

    CBoundaryDlg(VantisAuto::CDoc& doc, CDShowCameraCtrl& view, QWidget* parent = nullptr);
    ~CBoundaryDlg() override;

    // Called once by Exit, after the document's boundary is marked done.
    void SetExitHandler(std::function<void()> h) { onExit_ = std::move(h); }

    // A projector command: runs off the window thread, returns the addresses
    // of the projectors that did not take it.
    using Command = std::function<std::vector<std::uint32_t>()>;
    // Runs a command after every command given before it; done follows on the
    // window thread.
    using CommandQueue = std::function<void(Command command, std::function<void()> done)>;
    void SetCommandQueue(CommandQueue queue) { queue_ = std::move(queue); }
    // Automatic: the window photographs the wall and finds the boundary.
    void SetAutomaticHandler(std::function<void()> h) { onAutomatic_ = std::move(h); }

    void ChoosePattern(int k);
    // 0 Curve, 1 Linear.
    void ChooseWarpMode(int mode);
    // Every projector's picture cleared, then the stored test picture shown.
    void ShowPatternsAfterOpening();
    // The stored test picture on the projectors; nothing once Exit ran.
    void ShowStoredPattern();
    void Automatic();
    // A boundary found for the wall (129 x 65, row by row): the grid takes it
    // and the adjust points of the current grid number are placed on it, where
    // the operator can move them. Reset Boundary undoes it.
    void LoadBoundary(const BoundaryGrid& grid);
    void ResetBoundary();
    void Exit();
    // One wheel notch over the camera view at a screen point.
    void WheelStep(bool towardsUser, bool modifiers, const QPoint& screenPoint);

    int GridIndex() const { return gridIndex_; }
    int ZoomIndex() const { return zoomIndex_; }
    int WarpMode() const { return warpMode_; }
    QCheckBox* WarpModeBox(int mode) const { return modes_[mode]; }
    QLabel* GridLabel() const { return gridLabel_; }
    QLabel* ZoomLabel() const { return zoomLabel_; }
    int OverlapColumns() const { return static_cast<int>(overlapX_.size()); }
    int OverlapRows() const { return overlapRows_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void StartUp();
    void ApplyGrid(int index);
    void ApplyZoom(int index);
    void ShowGrid();
    void ShowZoom();
    // Hands the command to the queue (or runs it here without one).
    void Run(Command command);

    VantisAuto::CDoc& doc_;
    CDShowCameraCtrl& view_;
    std::function<void()> onExit_;
    std::function<void()> onAutomatic_;
    CommandQueue queue_;
    int gridIndex_ = 0;
    int zoomIndex_ = 0;
    int warpMode_ = 0;
    int pattern_ = kDesktop;
    bool started_ = false;
    bool exited_ = false;
    std::vector<std::vector<float>> overlapX_;
    std::vector<std::vector<float>> overlapY_;
    std::vector<float*> overlapXColumns_;
    std::vector<float*> overlapYColumns_;
    grid::PointPP overlapTable_;
    int overlapRows_ = 0;

    QSlider* gridSlider_ = nullptr;
    QSlider* zoomSlider_ = nullptr;
    QLabel* gridLabel_ = nullptr;
    QLabel* zoomLabel_ = nullptr;
    QButtonGroup* patterns_ = nullptr;
    QCheckBox* modes_[2] = {nullptr, nullptr};
    QWidget* exit_ = nullptr;
};
