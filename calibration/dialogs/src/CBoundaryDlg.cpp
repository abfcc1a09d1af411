#include "dialogs/CBoundaryDlg.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QRadioButton>
#include <QSlider>
#include <QWheelEvent>

#include <array>

#include "VantisCore.h"
#include "calibration/warp_compute.h"
#include "dialogs/boundary_logic.h"
#include "meridan/skin/CSkinButton.h"
#include "oculet/CDShowCameraCtrl.h"
#include "vantis/model/doc_lock.h"
#include "vantis/model/document.h"

using namespace meridan::dialogs;

namespace {
constexpr int kZoomRange = static_cast<int>(kZoomPercents.size());
}

CBoundaryDlg::CBoundaryDlg(VantisAuto::CDoc& doc, CDShowCameraCtrl& view, QWidget* parent)
    : QWidget(parent), doc_(doc), view_(view) {
    setObjectName("boundaryDlg");
    setFocusPolicy(Qt::StrongFocus);
    auto* grid = new QGridLayout(this);

    auto* gridBox = new QGroupBox(tr("Grid Number"), this);
    auto* gl = new QHBoxLayout(gridBox);
    gridSlider_ = new QSlider(Qt::Horizontal, gridBox);
    gridSlider_->setObjectName("gridSlider");
    gridSlider_->setRange(0, 4);
    gridLabel_ = new QLabel("2x2", gridBox);
    gridLabel_->setObjectName("gridLabel");
    gl->addWidget(gridSlider_);
    gl->addWidget(gridLabel_);
    grid->addWidget(gridBox, 0, 0);

    auto* zoomBox = new QGroupBox(tr("Zoom"), this);
    auto* zl = new QHBoxLayout(zoomBox);
    zoomSlider_ = new QSlider(Qt::Horizontal, zoomBox);
    zoomSlider_->setObjectName("zoomSlider");
    zoomSlider_->setRange(0, kZoomRange - 1);
    zoomLabel_ = new QLabel("100%", zoomBox);
    zoomLabel_->setObjectName("zoomLabel");
    zl->addWidget(zoomSlider_);
    zl->addWidget(zoomLabel_);
    grid->addWidget(zoomBox, 0, 1);

    auto* patternBox = new QGroupBox(tr("Pattern"), this);
    auto* pl = new QHBoxLayout(patternBox);
    patterns_ = new QButtonGroup(this);
    const char* names[4] = {"Desktop", "Full Fill", "Border", "Overlap"};
    for (int k = 0; k < 4; ++k) {
        auto* b = new QRadioButton(tr(names[k]), patternBox);
        patterns_->addButton(b, k);
        pl->addWidget(b);
    }
    grid->addWidget(patternBox, 1, 0);

    auto* modeBox = new QGroupBox(tr("Warping Mode"), this);
    auto* ml = new QHBoxLayout(modeBox);
    modes_[0] = new QCheckBox(tr("Curve"), modeBox);
    modes_[1] = new QCheckBox(tr("Linear"), modeBox);
    // One of the two, never both or neither.
    auto* modeGroup = new QButtonGroup(this);
    modeGroup->setExclusive(true);
    for (int m = 0; m < 2; ++m) {
        modes_[m]->setObjectName(m == 0 ? "curveBox" : "linearBox");
        modeGroup->addButton(modes_[m], m);
        ml->addWidget(modes_[m]);
    }
    connect(modeGroup, &QButtonGroup::idClicked, this, [this](int m) { ChooseWarpMode(m); });
    grid->addWidget(modeBox, 1, 1);

    auto* help = new QLabel(tr("W/A/S/D: select a point, arrow keys: move it 1 pixel (with Shift 10 pixels), "
                               "or drag it with the mouse; +/-: grid number; wheel: zoom"),
                            this);
    help->setObjectName("hotKeyHelp");
    help->setWordWrap(true);
    grid->addWidget(help, 2, 0, 1, 2);
    auto* automatic = new CSkinButton(QObject::tr("Automatic"), this);
    automatic->setObjectName("automaticButton");
    auto* reset = new CSkinButton(tr("Reset Boundary"), this);
    reset->setObjectName("resetBoundaryButton");
    auto* exit = new CSkinButton(tr("Exit"), this);
    exit->setObjectName("exitButton");
    exit_ = exit;
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(automatic);
    buttons->addWidget(reset);
    grid->addLayout(buttons, 3, 0);
    grid->addWidget(exit, 3, 1);
    for (auto* w : findChildren<QWidget*>()) w->setFocusPolicy(Qt::NoFocus);

    connect(gridSlider_, &QSlider::valueChanged, this, [this](int v) { ApplyGrid(v); });
    connect(zoomSlider_, &QSlider::valueChanged, this, [this](int v) { ApplyZoom(v); });
    connect(patterns_, &QButtonGroup::idClicked, this, [this](int k) { ChoosePattern(k); });
    connect(automatic, &QPushButton::clicked, this, [this] { Automatic(); });
    connect(reset, &QPushButton::clicked, this, [this] { ResetBoundary(); });
    connect(exit, &QPushButton::clicked, this, [this] { Exit(); });
    view_.installEventFilter(this);
    StartUp();
}

CBoundaryDlg::~CBoundaryDlg() {
    view_.removeEventFilter(this);
}

void CBoundaryDlg::StartUp() {
    const auto layout = doc_.Layout();
    const auto info = AutoWarpGetPatternInfo(false, doc_.PatternType());
    const int latticeW = 16 * info.gridColumns - 16;
    const int latticeH = 16 * info.gridRows - 16;
    const auto size = OverlapTableOf(info.gridColumns, info.gridRows, layout.columns, layout.rows,
                                     doc_.m_overlapPixels[0], doc_.m_overlapPixels[1]);
    {
        VantisAuto::DocLock lock(VantisAuto::DocumentLock());
        overlapRows_ = std::max(size.rows, 1);
        overlapX_.assign(static_cast<std::size_t>(std::max(size.columns, 1)),
                         std::vector<float>(static_cast<std::size_t>(overlapRows_), 0.0f));
        overlapY_ = overlapX_;
        for (std::size_t c = 0; c < overlapX_.size(); ++c) {
            overlapXColumns_.push_back(overlapX_[c].data());
            overlapYColumns_.push_back(overlapY_[c].data());
        }
        overlapTable_.x = overlapXColumns_.data();
        overlapTable_.y = overlapYColumns_.data();
    }
    oculet::CSize lattice{latticeW, latticeH};
    view_.GetLayoutInf(lattice, oculet::CSize{layout.columns, layout.rows},
                       oculet::CSize{doc_.m_overlapPixels[0], doc_.m_overlapPixels[1]});
    view_.SetOverLapTable(overlapTable_);
    view_.StartOverLap();
    view_.ByPass(0);
    view_.setEnabled(true);
    const QRect r = view_.GetCameraRect();
    int zero = 0;
    view_.StretchedCamera(r.center(), zero);
    zoomIndex_ = 0;
    gridIndex_ = std::clamp(doc_.m_boundary.m_nWork[1], 0, 4);
    warpMode_ = doc_.m_boundary.m_nWork[0] == 1 ? 1 : 0;
    view_.SetWarpMode(warpMode_);
    // The adjust points are laid out afresh from the stored grid for the grid
    // number: the grid number is not kept in the project file, so the points
    // may have been laid out for another one.
    view_.SetGridNum(gridIndex_);
    view_.AdjustGridNum(gridIndex_);
    ShowGrid();
    ShowZoom();
    modes_[warpMode_]->setChecked(true);
    pattern_ = std::clamp(static_cast<int>(doc_.m_boundary.m_nWork[3]), 0, 3);
    patterns_->button(pattern_)->setChecked(true);
    view_.SetMoveStep(kMoveStep);
    std::array<std::uint32_t, 16> style = kBoundaryStyle;
    view_.SetBoundaryType(style.data());
    started_ = true;
    setFocus();
}

void CBoundaryDlg::ShowGrid() {
    const QSignalBlocker block(gridSlider_);
    gridLabel_->setText(QString::fromStdString(meridan::dialogs::GridLabel(gridIndex_)));
    gridSlider_->setValue(gridIndex_);
}

void CBoundaryDlg::ShowZoom() {
    const QSignalBlocker block(zoomSlider_);
    zoomLabel_->setText(QString::fromStdString(meridan::dialogs::ZoomLabel(zoomIndex_)));
    zoomSlider_->setValue(zoomIndex_);
}

void CBoundaryDlg::ApplyGrid(int index) {
    gridLabel_->setText(QString::fromStdString(meridan::dialogs::GridLabel(index)));
    if (index != gridIndex_) view_.AdjustGridNum(index);
    gridIndex_ = index;
    doc_.m_boundary.m_nWork[1] = index;
}

void CBoundaryDlg::ApplyZoom(int index) {
    zoomLabel_->setText(QString::fromStdString(meridan::dialogs::ZoomLabel(index)));
    if (index != zoomIndex_) {
        int z = index;
        view_.StretchedCamera(view_.GetCameraRect().center(), z);
    }
    zoomIndex_ = index;
}

void CBoundaryDlg::Run(Command command) {
    // The dialog may be gone when the command ends.
    QPointer<CBoundaryDlg> self(this);
    auto done = [self] {
        // The window was busy meanwhile and took the keys away.
        if (self && self->isVisible() && !self->exited_) self->setFocus();
    };
    if (queue_) {
        queue_(std::move(command), std::move(done));
        return;
    }
    command();
    done();
}

void CBoundaryDlg::ShowPatternsAfterOpening() {
    if (exited_) return;
    auto& doc = doc_;
    Run([&doc] { return ClearAllPictures(doc); });
    ShowStoredPattern();
}

void CBoundaryDlg::ShowStoredPattern() {
    // Once Exit cleared the projectors the picture must not come back; Exit's
    // clear is given after this, so it also comes after it on the projectors.
    if (exited_) return;
    auto& doc = doc_;
    const int shown = pattern_;
    Run([&doc, shown] { return DrawTestPicture(doc, shown, shown); });
}

void CBoundaryDlg::ChoosePattern(int k) {
    if (k < 0 || k > 3 || exited_) return;
    patterns_->button(k)->setChecked(true);
    const int previous = pattern_;
    pattern_ = k;
    doc_.m_boundary.m_nWork[3] = k;
    auto& doc = doc_;
    Run([&doc, k, previous] { return ChangeTestPicture(doc, k, previous); });
}

void CBoundaryDlg::Automatic() {
    if (exited_ || !onAutomatic_) return;
    onAutomatic_();
}

void CBoundaryDlg::LoadBoundary(const BoundaryGrid& found) {
    if (exited_ || found.size() != static_cast<std::size_t>(kBoundaryColumns * kBoundaryRows)) return;
    // The overlay reads the tables on the camera's thread, under the editor's
    // lock, unless it is bypassed: it is, while they are written.
    view_.ByPass(1);
    {
        VantisAuto::DocLock lock(VantisAuto::DocumentLock());
        vantis::calibration::SetBoundaryGrid(found, doc_.m_boundary);
    }
    view_.ByPass(0);
    // The adjust points of the grid number, sampled from the new grid, and the
    // overlap lines over it.
    view_.AdjustGridNum(gridIndex_);
    view_.StartOverLap();
    setFocus();
}

void CBoundaryDlg::ChooseWarpMode(int mode) {
    if (mode < 0 || mode > 1) return;
    warpMode_ = mode;
    modes_[mode]->setChecked(true);
    doc_.m_boundary.m_nWork[0] = mode;
    view_.SetWarpMode(mode);
}

void CBoundaryDlg::ResetBoundary() {
    const int old = gridIndex_;
    gridIndex_ = 0;
    ShowGrid();
    if (old != 0) view_.AdjustGridNum(0);
    doc_.m_boundary.m_nWork[1] = 0;
    view_.StartGrid(1);
    view_.StartOverLap();
}

void CBoundaryDlg::Exit() {
    if (exited_) return;
    // The clear goes after every test picture given before it.
    auto& doc = doc_;
    const int shown = pattern_;
    Run([&doc, shown] { return ClearTestPicture(doc, shown); });
    exited_ = true;
    hide();
    view_.setEnabled(false);
    doc_.m_bBoundaryDone = true;
    {
        // The view keeps no pointer into the table once the overlap is stopped.
        VantisAuto::DocLock lock(VantisAuto::DocumentLock());
        grid::PointPP none;
        view_.SetOverLapTable(none);
        overlapTable_ = none;
        overlapXColumns_.clear();
        overlapYColumns_.clear();
        overlapX_.clear();
        overlapY_.clear();
    }
    if (onExit_) onExit_();
    deleteLater();
}

void CBoundaryDlg::WheelStep(bool towardsUser, bool modifiers, const QPoint& screenPoint) {
    if (view_.IsMouseLeave()) return;
    int z = zoomIndex_;
    if (!StepZoom(z, meridan::dialogs::WheelStep(towardsUser, modifiers), kZoomRange)) return;
    if (view_.StretchedCamera(screenPoint, z)) {
        zoomIndex_ = z;
        ShowZoom();
    }
}

void CBoundaryDlg::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    switch (ClassifyKey(key)) {
        case KeyAction::Move: {
            // Shift moves by the large step for the one key press only.
            const bool large = (event->modifiers() & Qt::ShiftModifier) != 0;
            if (large) view_.SetMoveStep(kLargeMoveStep);
            const int moved = view_.MoveAdjustPoint(static_cast<unsigned>(key));
            if (large) view_.SetMoveStep(kMoveStep);
            if (moved) return event->accept();
            break;
        }
        case KeyAction::Select:
            view_.SelAdjustPoint(static_cast<unsigned>(SelectionKey(key)));
            return event->accept();
        case KeyAction::Swallow:
            return event->accept();
        case KeyAction::Increase:
            view_.IncreaseGridNum(gridIndex_);
            doc_.m_boundary.m_nWork[1] = gridIndex_;
            ShowGrid();
            return event->accept();
        case KeyAction::Decrease:
            view_.DecreaseGridNum(gridIndex_);
            doc_.m_boundary.m_nWork[1] = gridIndex_;
            ShowGrid();
            return event->accept();
        case KeyAction::None:
            break;
    }
    QWidget::keyPressEvent(event);
}

bool CBoundaryDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &view_ && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        WheelStep(wheel->angleDelta().y() < 0, wheel->modifiers() != Qt::NoModifier,
                  wheel->globalPosition().toPoint());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
