#include "dialogs/CCameraDlg.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QSlider>
#include <QStackedWidget>

#include "VantisCore.h"
#include "dialogs/camera_logic.h"
#include "meridan/skin/CSkinButton.h"
#include "oculet/CDShowCamera.h"
#include "oculet/CDShowCameraCtrl.h"
#include "vantis/model/document.h"

using namespace meridan::dialogs;

namespace {

// The text beside a slider: its value, or nothing while the property is not
// supported (the slider itself disabled, whatever its page is).
void ShowValue(QSlider* s) {
    auto* value = qobject_cast<QLabel*>(s->property("valueLabel").value<QObject*>());
    if (value == nullptr) return;
    const auto property = static_cast<CameraProperty>(s->property("cameraProperty").toInt());
    const bool supported = !s->testAttribute(Qt::WA_ForceDisabled);
    value->setText(supported ? QString::fromStdString(SliderValueText(property, s->value())) : QString());
}

// A named slider with its value beside it; the value follows the slider.
QSlider* AddSlider(QGridLayout* l, int row, const QString& name, CameraProperty property, QWidget* parent) {
    l->addWidget(new QLabel(name, parent), row, 0);
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(name.toLower() + "Slider");
    l->addWidget(s, row, 1);
    auto* value = new QLabel(parent);
    value->setObjectName(name.toLower() + "Value");
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance("-10 (1/1024 s)"));
    l->addWidget(value, row, 2);
    s->setProperty("valueLabel", QVariant::fromValue<QObject*>(value));
    s->setProperty("cameraProperty", static_cast<int>(property));
    QObject::connect(s, &QSlider::valueChanged, value, [s] { ShowValue(s); });
    return s;
}

void Apply(QSlider* s, const SliderSpec& spec) {
    if (spec.enabled) {
        s->setRange(spec.minimum, spec.maximum);
        s->setValue(spec.position);
        s->setPageStep(spec.page);
    }
    s->setEnabled(spec.enabled);
    ShowValue(s);
}

}  // namespace

CCameraCtrlPage::CCameraCtrlPage(PropertySetter set, QWidget* parent)
    : QWidget(parent), set_(std::move(set)) {
    auto* l = new QGridLayout(this);
    panMinus_ = new CSkinButton("P-", this);
    panPlus_ = new CSkinButton("P+", this);
    tiltPlus_ = new CSkinButton("T+", this);
    tiltMinus_ = new CSkinButton("T-", this);
    l->addWidget(tiltPlus_, 0, 1);
    l->addWidget(panMinus_, 1, 0);
    l->addWidget(panPlus_, 1, 2);
    l->addWidget(tiltMinus_, 2, 1);
    auto* sliders = new QGridLayout;
    zoom_ = AddSlider(sliders, 0, tr("Zoom"), CameraProperty::Zoom, this);
    focus_ = AddSlider(sliders, 1, tr("Focus"), CameraProperty::Focus, this);
    l->addLayout(sliders, 3, 0, 1, 3);
    connect(zoom_, &QSlider::valueChanged, this, [this](int v) {
        if (!filling_) set_(CameraProperty::Zoom, v);
    });
    connect(focus_, &QSlider::valueChanged, this, [this](int v) {
        if (!filling_) set_(CameraProperty::Focus, v);
    });
    auto step = [this](CameraProperty p, bool raise) {
        if (camera_) set_(p, StepValue(camera_->State(p), raise));
    };
    connect(panMinus_, &QPushButton::clicked, this, [step] { step(CameraProperty::Pan, true); });
    connect(panPlus_, &QPushButton::clicked, this, [step] { step(CameraProperty::Pan, false); });
    connect(tiltMinus_, &QPushButton::clicked, this, [step] { step(CameraProperty::Tilt, true); });
    connect(tiltPlus_, &QPushButton::clicked, this, [step] { step(CameraProperty::Tilt, false); });
}

void CCameraCtrlPage::Refresh(const CDShowCameraData& camera) {
    camera_ = &camera;
    filling_ = true;
    Apply(zoom_, PropertySlider(camera.State(CameraProperty::Zoom)));
    Apply(focus_, PropertySlider(camera.State(CameraProperty::Focus)));
    const bool pan = camera.State(CameraProperty::Pan).supported != 0;
    const bool tilt = camera.State(CameraProperty::Tilt).supported != 0;
    panMinus_->setEnabled(pan);
    panPlus_->setEnabled(pan);
    tiltPlus_->setEnabled(tilt);
    tiltMinus_->setEnabled(tilt);
    filling_ = false;
}

CCameraAdvancePage::CCameraAdvancePage(PropertySetter set, std::function<void()> autoTune, QWidget* parent)
    : QWidget(parent), set_(std::move(set)) {
    auto* l = new QGridLayout(this);
    // Exposure runs from short on the left to long on the right.
    exposure_ = AddSlider(l, 0, tr("Exposure"), CameraProperty::Exposure, this);
    gain_ = AddSlider(l, 1, tr("Gain"), CameraProperty::Gain, this);
    brightness_ = AddSlider(l, 2, tr("Brightness"), CameraProperty::Brightness, this);
    contrast_ = AddSlider(l, 3, tr("Contrast"), CameraProperty::Contrast, this);
    autoTune_ = new CSkinButton(tr("Auto Tune"), this);
    autoTune_->setObjectName("autoTuneButton");
    l->addWidget(autoTune_, 4, 1);
    connect(exposure_, &QSlider::valueChanged, this, [this](int v) {
        if (!filling_) set_(CameraProperty::Exposure, ExposureOfPosition(v));
    });
    const std::pair<QSlider*, CameraProperty> plain[] = {{gain_, CameraProperty::Gain},
                                                         {brightness_, CameraProperty::Brightness},
                                                         {contrast_, CameraProperty::Contrast}};
    for (auto [s, p] : plain)
        connect(s, &QSlider::valueChanged, this, [this, p = p](int v) {
            if (!filling_) set_(p, v);
        });
    connect(autoTune_, &QPushButton::clicked, this, [autoTune = std::move(autoTune)] {
        if (autoTune) autoTune();
    });
}

void CCameraAdvancePage::Refresh(const CDShowCameraData& camera, bool running) {
    filling_ = true;
    autoTune_->show();
    Apply(exposure_, ExposureSlider(camera.State(CameraProperty::Exposure)));
    Apply(gain_, PropertySlider(camera.State(CameraProperty::Gain)));
    Apply(brightness_, PropertySlider(camera.State(CameraProperty::Brightness)));
    Apply(contrast_, PropertySlider(camera.State(CameraProperty::Contrast)));
    autoTune_->setEnabled(AutoTuneAllowed(camera, running));
    filling_ = false;
}

CCameraDlg::CCameraDlg(VantisAuto::CDoc& doc, CDShowCameraCtrl& view, QWidget* parent)
    : QWidget(parent), doc_(doc), view_(view) {
    setObjectName("cameraDlg");
    auto* l = new QGridLayout(this);
    list_ = new QListWidget(this);
    list_->setObjectName("cameraList");
    auto* open = new CSkinButton(tr("Open Camera"), this);
    open->setObjectName("openCameraButton");
    auto* controlButton = new CSkinButton(tr("Camera Control"), this);
    auto* advanceButton = new CSkinButton(tr("Advance"), this);
    auto* exit = new CSkinButton(tr("Exit"), this);
    exit->setObjectName("exitButton");
    pages_ = new QStackedWidget(this);
    auto set = [this](CameraProperty p, long v) { Set(p, v); };
    control_ = new CCameraCtrlPage(set, pages_);
    advance_ = new CCameraAdvancePage(
        set,
        [this] {
            if (onAutoTune_) onAutoTune_();
        },
        pages_);
    pages_->addWidget(control_);
    pages_->addWidget(advance_);
    l->addWidget(list_, 0, 0, 2, 1);
    l->addWidget(open, 0, 1);
    l->addWidget(controlButton, 2, 0);
    l->addWidget(advanceButton, 2, 1);
    l->addWidget(pages_, 3, 0, 1, 2);
    l->addWidget(exit, 4, 1);
    connect(open, &QPushButton::clicked, this, [this] { OpenCamera(); });
    connect(controlButton, &QPushButton::clicked, this, [this] { ShowPage(0); });
    connect(advanceButton, &QPushButton::clicked, this, [this] { ShowPage(1); });
    connect(exit, &QPushButton::clicked, this, [this] { Exit(); });
    FillCameraList();
    ShowPage(0);
    if (view_.IsOpened()) {
        RefreshPages();
    } else {
        control_->setEnabled(false);
        advance_->setEnabled(false);
        view_.update();
    }
}

void CCameraDlg::FillCameraList() {
    list_->clear();
    const int n = CDShowCamera::GetCount();
    for (int i = 0; i < n; ++i) {
        std::wstring name;
        CDShowCamera::GetName(i, &name);
        if (!IsListedCamera(name)) continue;
        auto* item = new QListWidgetItem(QString::fromStdWString(name), list_);
        item->setData(Qt::UserRole, i);
    }
    if (list_->count() > 0) list_->setCurrentRow(0);
}

bool CCameraDlg::OpenCamera() {
    auto* item = list_->currentItem();
    if (!item) return false;
    const int device = item->data(Qt::UserRole).toInt();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    view_.Stop();
    view_.Close();
    // The plug-in takes the tables when the camera opens, so they go to the
    // view first: the overlay is there from the first picture on.
    grid::PointPP a = doc_.m_boundary.TableA(), b = doc_.m_boundary.TableB(), c = doc_.m_boundary.TableC();
    grid::RectPP r = doc_.m_boundary.Rects();
    view_.SetBoundaryTable(a, b, c, r);
    const bool opened = view_.Open(device, kCaptureWidth, kCaptureHeight) != 0;
    if (opened) {
        int w = 0, h = 0;
        doc_.GetTimingSize(&w, &h);
        const auto info = AutoWarpGetPatternInfo(true, doc_.PatternType());
        view_.SetTiming(oculet::CSize{w, h}, oculet::CSize{info.gridColumns, info.gridRows});
        view_.Run();
        view_.GetProperty();
        if (doc_.m_bCameraConfigured) {
            view_.GetCameraConfig(doc_.m_camera);
            view_.SetProperty();
        } else {
            view_.ResetProperty();
            view_.SetExposure(doc_.m_camera.State(CameraProperty::Exposure).maximum);
        }
        if (!doc_.m_bBoundaryDone) view_.StartGrid(1);
        doc_.m_camera = *view_.GetPropertyPointer();
        doc_.SetCameraName(item->text().toStdWString());
        doc_.m_camera.m_name = item->text().toStdWString();
        RefreshPages();
        control_->setEnabled(true);
        advance_->setEnabled(true);
        doc_.m_bCameraConfigured = true;
    } else {
        control_->setEnabled(false);
        advance_->setEnabled(false);
    }
    QApplication::restoreOverrideCursor();
    return opened;
}

void CCameraDlg::ShowPage(int page) {
    if (pages_->currentIndex() != page) pages_->setCurrentIndex(page);
}

void CCameraDlg::RefreshPages() {
    const CDShowCameraData& camera = *view_.GetPropertyPointer();
    control_->Refresh(camera);
    advance_->Refresh(camera, view_.IsOpened() != 0);
}

void CCameraDlg::Set(CameraProperty p, long value) {
    switch (p) {
        case CameraProperty::Pan:
            view_.SetPan(value);
            break;
        case CameraProperty::Tilt:
            view_.SetTilt(value);
            break;
        case CameraProperty::Zoom:
            view_.SetZoom(value);
            break;
        case CameraProperty::Focus:
            view_.SetFocus(value);
            break;
        case CameraProperty::Exposure:
            view_.SetExposure(value);
            break;
        case CameraProperty::Gain:
            view_.SetGain(value);
            break;
        case CameraProperty::Brightness:
            view_.SetBrightness(value);
            break;
        case CameraProperty::Contrast:
            view_.SetContrast(value);
            break;
        default:
            break;
    }
    RefreshPages();
}

void CCameraDlg::AutoTuneEnded() {
    RefreshPages();
    ++autoTunesEnded_;
}

void CCameraDlg::Exit() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (view_.IsOpened()) doc_.m_camera = *view_.GetPropertyPointer();
    ShowPage(0);
    hide();
    QApplication::restoreOverrideCursor();
    if (onExit_) onExit_();
    deleteLater();
}
