// The live camera view: paints the capture graph's latest picture letterboxed in its client
// area (aspect ratio kept) and passes mouse input and editing commands to the grid-overlay
// plug-in's editor, in the editor's view coordinates.
//
// Every editor call counts as successful when the editor returns a success code; without a
// plug-in nothing is sent and the call counts as failed. The control is used from its window's
// thread; the plug-in guards its own state against the capture thread.
#pragma once

#include <QRect>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Gridveil/GridTables.h"
#include "oculet/CDShowGridOverlay.h"
#include "oculet/Types.h"

class CDShowCameraCtrl : public QWidget {
  public:
    using eMediaSubType = CDShowGridOverlay::eMediaSubType;

    explicit CDShowCameraCtrl(QWidget* parent = nullptr);
    ~CDShowCameraCtrl() override;

    // --- capture graph and photos -------------------------------------------------------------
    // Opens camera `device`; the plug-in receives the boundary tables and the client size first.
    int Open(int device, int width, int height);
    // The same with a stream the caller made.
    int OpenSource(std::unique_ptr<oculet::IFrameSource> source);
    // Each repaints the control: a stopped or closed graph shows grey.
    void Run();
    void Stop();
    void Close();
    int IsOpened() const { return graph_->IsOpened(); }
    void ListResolution(std::vector<oculet::CSize>& sizes, int type) { graph_->ListResolution(sizes, type); }
    void SetFilePrefixName(const std::string& prefix) { graph_->SetFilePrefixName(prefix); }
    std::string GetImagePath() const { return graph_->GetImagePath(); }
    int TakePhoto(int number) { return graph_->TakePhoto(number); }
    int TakePhoto(const std::string& path) { return graph_->TakePhoto(path); }
    std::string GetLastPhotoPath() const { return graph_->GetLastPhotoPath(); }

    // --- camera properties --------------------------------------------------------------------
    void GetProperty() { graph_->GetProperty(); }
    void SetProperty() { graph_->SetAll(); }
    void ResetProperty() { graph_->ResetAll(); }
    void GetCameraConfig(CDShowCameraData& data) { graph_->GetCameraConfig(data); }
    CDShowCameraData* GetPropertyPointer() { return graph_.get(); }
    void SetPan(long value) { graph_->SetPan(value); }
    void SetTilt(long value) { graph_->SetTilt(value); }
    void SetRoll(long value) { graph_->SetRoll(value); }
    void SetZoom(long value) { graph_->SetZoom(value); }
    void SetExposure(long value) { graph_->SetExposure(value); }
    void SetIris(long value) { graph_->SetIris(value); }
    void SetFocus(long value) { graph_->SetFocus(value); }
    void SetBrightness(long value) { graph_->SetBrightness(value); }
    void SetContrast(long value) { graph_->SetContrast(value); }
    void SetSaturation(long value) { graph_->SetSaturation(value); }
    void SetHue(long value) { graph_->SetHue(value); }
    void SetGain(long value) { graph_->SetGain(value); }
    void SetSharpness(long value) { graph_->SetSharpness(value); }
    void SetWhitebalance(long value) { graph_->SetWhitebalance(value); }
    // Each get reads the property and stores its value in `value`; 1 if the read succeeded.
    int GetPan(long& value) { return Read(CameraProperty::Pan, value); }
    int GetTilt(long& value) { return Read(CameraProperty::Tilt, value); }
    int GetRoll(long& value) { return Read(CameraProperty::Roll, value); }
    int GetZoom(long& value) { return Read(CameraProperty::Zoom, value); }
    int GetExposure(long& value) { return Read(CameraProperty::Exposure, value); }
    int GetIris(long& value) { return Read(CameraProperty::Iris, value); }
    int GetFocus(long& value) { return Read(CameraProperty::Focus, value); }
    int GetBrightness(long& value) { return Read(CameraProperty::Brightness, value); }
    int GetContrast(long& value) { return Read(CameraProperty::Contrast, value); }
    int GetSaturation(long& value) { return Read(CameraProperty::Saturation, value); }
    int GetHue(long& value) { return Read(CameraProperty::Hue, value); }
    int GetGain(long& value) { return Read(CameraProperty::Gain, value); }
    int GetSharpness(long& value) { return Read(CameraProperty::Sharpness, value); }
    int GetWhitebalance(long& value) { return Read(CameraProperty::WhiteBalance, value); }
    void EnableAutoExposure(int on) { graph_->EnableAutoExposure(on); }
    void EnableAutoFocus(int on) { graph_->EnableAutoFocus(on); }
    void EnableAutoGain(int on) { graph_->EnableAutoGain(on); }
    void EnableWhitebalance(int on) { graph_->EnableAutoWhitebalance(on); }

    // --- grid editing ---------------------------------------------------------------------------
    // On success the control remembers the new state; while it is 1 the editing keys are refused.
    int ByPass(int on);
    int IsByPass() const { return bypass_; }
    int IsMouseLeave() const { return mouseLeft_; }
    void SetTiming(const oculet::CSize& panel, const oculet::CSize& grid);
    void GetLayoutInf(oculet::CSize& panel, const oculet::CSize& layout, const oculet::CSize& overlap);
    // Keeps copies of the descriptors; the plug-in receives them at the next Open.
    void SetBoundaryTable(grid::PointPP& adjustPoints, grid::PointPP& grid, grid::PointPP& coarse,
                          grid::RectPP& markers);
    void SetOverLapTable(grid::PointPP& table);
    void StartOverLap();
    void free_boundarytable();
    void SetSelIndex(const oculet::CPoint& point);
    void SetWarpMode(int mode);
    void SetGridNum(int index);
    void GetTable(grid::PointPP& out);
    // The plug-in's picture size; (0, 0) when it cannot tell.
    oculet::CSize GetImageSize();
    int StartGrid(int fresh);
    // Arrow keys (virtual-key codes 0x25-0x28, or Qt's arrow keys) select the neighbouring
    // adjust point / move the selected one. 0 while bypassed or for other keys, else 1.
    int SelAdjustPoint(unsigned key);
    int MoveAdjustPoint(unsigned key);
    int AdjustGridNum(int index);
    // The step of MoveAdjustPoint, index 0-7 (0.5, 1, 3, 10, 30, 100, 300, 1000 picture pixels);
    // 1 when the plug-in took it.
    int SetMoveStep(int index);
    int IncreaseGridNum(int& index);
    int DecreaseGridNum(int& index);
    // Zooms about a point given in screen coordinates: 0 without a call when the point lies
    // outside the control (its right and bottom edges count as inside), else 1.
    int StretchedCamera(const QPoint& screenPoint, int& zoomLevel);
    // The client rectangle in screen coordinates.
    QRect GetCameraRect() const;
    // Where the picture is shown in the client area: the whole picture, as
    // large as fits with its aspect ratio kept, centred. The client area
    // before a picture size is known.
    QRect PictureRect() const;
    void SetBoundaryType(void* style);

    // The graph, for programs that reach the camera directly.
    CDShowGridOverlay* Graph() { return graph_.get(); }
    // Called after a frame was painted, with that frame (measurements and tests).
    void SetPaintObserver(std::function<void(const oculet::Frame&)> observer);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    int Read(CameraProperty property, long& value);
    gridveil::IGridEditor* Editor() const { return graph_->Editor(); }
    void HandOverTables();
    // A client position as the editor takes it.
    QPoint ToEditor(const QPoint& client) const;
    void ConfinePointer(const QPoint& globalPosition);
    void OnFrame(const std::shared_ptr<const oculet::Frame>& frame);

    std::unique_ptr<CDShowGridOverlay> graph_;
    QTimer mouseTimer_;
    int bypass_ = 1;
    int tracking_ = 0;
    int mouseLeft_ = 1;
    int buttonDown_ = 0;
    grid::PointPP adjustPoints_;
    grid::PointPP grid_;
    grid::PointPP coarse_;
    grid::RectPP markers_;

    QSize editorView_;  // the client size the editor was opened with
    mutable std::mutex shownMutex_;
    std::shared_ptr<const oculet::Frame> pending_;  // newest frame from the capture thread
    std::function<void(const oculet::Frame&)> paintObserver_;
};
