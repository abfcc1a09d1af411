// The boundary dialog over a running camera view with the plug-in (offscreen):
// the editing keys and the mouse move the selected adjust point, and only it;
// the grid number set with + and - is kept; Curve and Linear exclude each
// other.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>

#include <cmath>
#include <memory>
#include <vector>

#include "../../meridan/tests/qt_test_support.h"
#include "../../meridan/tests/test_env.h"
#include "VantisCore.h"
#include "calibration/boundary_check.h"
#include "calibration/warp_compute.h"
#include "dialogs/CBoundaryDlg.h"
#include "oculet/CDShowCameraCtrl.h"
#include "shot.h"
#include "still_source.h"
#include "vantis/model/document.h"

namespace {

using meridan::test::App;
using meridan::test::WaitFor;

struct Point {
    float x, y;
};

// A two-projector wall seen by a 16:9 camera in a 4:3 view (so the picture is
// letterboxed), the grid started afresh as the camera dialog does for a new
// project, and the boundary dialog open over it.
class BoundaryDialog : public ::testing::Test {
  protected:
    static constexpr int kPictureWidth = 640, kPictureHeight = 360;

    void SetUp() override {
        doc_.m_nLayout = 1;
        doc_.m_nTiming = 8;
        doc_.m_overlapPixels[0] = 384;
        view_.resize(640, 480);
        view_.show();
        grid::PointPP a = doc_.m_boundary.TableA(), b = doc_.m_boundary.TableB(),
                      c = doc_.m_boundary.TableC();
        grid::RectPP r = doc_.m_boundary.Rects();
        view_.SetBoundaryTable(a, b, c, r);
        ASSERT_EQ(view_.OpenSource(std::make_unique<meridan::test::StillSource>(
                      cv::Mat(kPictureHeight, kPictureWidth, CV_8UC3, cv::Scalar(60, 60, 60)))),
                  1);
        ASSERT_NE(view_.Graph()->Editor(), nullptr) << "the grid plug-in is not loaded";
        const auto info = AutoWarpGetPatternInfo(true, doc_.PatternType());
        view_.SetTiming(oculet::CSize{1920, 1080}, oculet::CSize{info.gridColumns, info.gridRows});
        view_.Run();
        ASSERT_EQ(view_.StartGrid(1), 1);
        dialog_ = new CBoundaryDlg(doc_, view_);
        dialog_->show();
        QCoreApplication::processEvents();
    }
    void TearDown() override {
        if (dialog_) dialog_->Exit();
        // The dialogs are gone before the view they watch.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        view_.Stop();
        view_.Close();
    }

    // Adjust point (column, row) of the grid, in picture pixels.
    Point Adjust(int column, int row) const {
        return {doc_.m_boundary.m_tableA.x[column][row], doc_.m_boundary.m_tableA.y[column][row]};
    }
    std::vector<Point> Corners() const { return {Adjust(0, 0), Adjust(1, 0), Adjust(0, 1), Adjust(1, 1)}; }
    double GridArea() const {
        return vantis::calibration::BoundaryArea(vantis::calibration::BoundaryGridOf(doc_.m_boundary));
    }
    // Where a picture point is shown in the view.
    QPoint OnScreen(Point p) const {
        const QRect shown = view_.PictureRect();
        return {shown.x() + static_cast<int>(std::lround(p.x * shown.width() / kPictureWidth)),
                shown.y() + static_cast<int>(std::lround(p.y * shown.height() / kPictureHeight))};
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : dialog_,
                        static_cast<Qt::Key>(key), modifiers);
    }
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(at), view_.mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(&view_, &e);
    }

    QApplication& app_ = App();  // before any widget
    meridan::test::TempHome home_;
    VantisAuto::CDoc doc_;
    CDShowCameraCtrl view_;
    CBoundaryDlg* dialog_ = nullptr;
};

TEST_F(BoundaryDialog, KeysMoveOnlyTheSelectedPoint) {
    const std::vector<Point> before = Corners();
    const double area = GridArea();
    ASSERT_GT(area, 0.0);
    EXPECT_EQ(QApplication::focusWidget(), dialog_) << "the dialog takes the keys";

    // D selects the top-right point; five presses of Down move it 5 pixels,
    // Shift+Left 10 pixels; the other three stay.
    Key(Qt::Key_D);
    for (int i = 0; i < 5; ++i) Key(Qt::Key_Down);
    Key(Qt::Key_Left, Qt::ShiftModifier);
    const std::vector<Point> after = Corners();
    EXPECT_FLOAT_EQ(after[1].x, before[1].x - 10.0f);
    EXPECT_FLOAT_EQ(after[1].y, before[1].y + 5.0f);
    for (int i : {0, 2, 3}) {
        EXPECT_FLOAT_EQ(after[i].x, before[i].x) << "point " << i;
        EXPECT_FLOAT_EQ(after[i].y, before[i].y) << "point " << i;
    }
    // The grid still spans the points: nothing collapsed.
    EXPECT_NEAR(GridArea(), area, area * 0.05);
    EXPECT_EQ(vantis::calibration::CheckBoundaryShape(vantis::calibration::BoundaryGridOf(doc_.m_boundary),
                                                      cv::Size(kPictureWidth, kPictureHeight)),
              vantis::calibration::BoundaryFault::None);
    // The plain step is back after the Shift press.
    Key(Qt::Key_Right);
    EXPECT_FLOAT_EQ(Corners()[1].x, before[1].x - 9.0f);
    EXPECT_NE(dialog_->findChild<QLabel*>("hotKeyHelp")->text().indexOf("1 pixel"), -1);
    meridan::test::Shot(*dialog_, "boundary");
    QCoreApplication::processEvents();
    meridan::test::Shot(view_, "boundary-overlay", view_.size());
}

// The grid number is not part of the project file: a program started again
// opens the dialog at 2x2 over adjust points laid out for 5x5. The keys must
// still move one corner of the whole grid, not squeeze it into the corner.
TEST_F(BoundaryDialog, KeysMoveOnlyTheSelectedPointAfterARestart) {
    Key(Qt::Key_Plus);
    Key(Qt::Key_Plus);
    ASSERT_EQ(dialog_->GridIndex(), 2);
    dialog_->Exit();
    doc_.m_boundary.m_nWork[1] = 0;  // as loaded from the file
    dialog_ = new CBoundaryDlg(doc_, view_);
    dialog_->show();
    ASSERT_EQ(dialog_->GridIndex(), 0);
    const std::vector<Point> before = Corners();
    const double area = GridArea();
    for (int i = 0; i < 5; ++i) Key(Qt::Key_Down);
    const std::vector<Point> after = Corners();
    EXPECT_FLOAT_EQ(after[0].y, before[0].y + 5.0f);
    for (int i : {1, 2, 3}) EXPECT_FLOAT_EQ(after[i].y, before[i].y) << "point " << i;
    EXPECT_NEAR(GridArea(), area, area * 0.05) << "the grid collapsed";
    // The corners are the picture's grid corners, not points inside it.
    const auto grid = vantis::calibration::BoundaryGridOf(doc_.m_boundary);
    EXPECT_FLOAT_EQ(grid.back().x, after[3].x);
    EXPECT_FLOAT_EQ(grid.back().y, after[3].y);
}

TEST_F(BoundaryDialog, MouseDragMovesThePoint) {
    const std::vector<Point> before = Corners();
    const QRect shown = view_.PictureRect();
    ASSERT_LT(shown.height(), view_.height()) << "a 16:9 picture is letterboxed in a 4:3 view";
    // Over the bottom-left marker, press, drag 30 view pixels right and 20 up, release.
    const QPoint start = OnScreen(before[2]);
    Mouse(QEvent::MouseMove, start, Qt::NoButton, Qt::NoButton);
    Mouse(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    const QPoint end = start + QPoint(30, -20);
    for (int i = 1; i <= 3; ++i)
        Mouse(QEvent::MouseMove, start + (end - start) * i / 3, Qt::NoButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, end, Qt::LeftButton, Qt::NoButton);
    const std::vector<Point> after = Corners();
    const double scale = static_cast<double>(kPictureWidth) / shown.width();
    EXPECT_NEAR(after[2].x - before[2].x, 30 * scale, 1.5);
    EXPECT_NEAR(after[2].y - before[2].y, -20 * scale, 1.5);
    for (int i : {0, 1, 3}) {
        EXPECT_FLOAT_EQ(after[i].x, before[i].x) << "point " << i;
        EXPECT_FLOAT_EQ(after[i].y, before[i].y) << "point " << i;
    }
    // A drag that starts away from every marker moves nothing.
    const QPoint empty = OnScreen({kPictureWidth / 2.0f, kPictureHeight / 2.0f});
    Mouse(QEvent::MouseMove, empty, Qt::NoButton, Qt::NoButton);
    Mouse(QEvent::MouseButtonPress, empty, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, empty + QPoint(40, 40), Qt::NoButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, empty + QPoint(40, 40), Qt::LeftButton, Qt::NoButton);
    const std::vector<Point> unchanged = Corners();
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(unchanged[i].x, after[i].x) << "point " << i;
}

TEST_F(BoundaryDialog, GridNumberOfPlusMinusIsKept) {
    Key(Qt::Key_Plus);
    Key(Qt::Key_Plus);
    EXPECT_EQ(dialog_->GridIndex(), 2);
    EXPECT_EQ(dialog_->GridLabel()->text(), "5x5");
    dialog_->Exit();
    dialog_ = nullptr;
    QCoreApplication::processEvents();
    // Opened again: the grid number the operator chose.
    dialog_ = new CBoundaryDlg(doc_, view_);
    dialog_->show();
    EXPECT_EQ(dialog_->GridIndex(), 2);
    EXPECT_EQ(dialog_->GridLabel()->text(), "5x5");
    Key(Qt::Key_Minus);
    dialog_->Exit();
    dialog_ = new CBoundaryDlg(doc_, view_);
    EXPECT_EQ(dialog_->GridIndex(), 1);
}

TEST_F(BoundaryDialog, CurveAndLinearExcludeEachOther) {
    QCheckBox* curve = dialog_->WarpModeBox(0);
    QCheckBox* linear = dialog_->WarpModeBox(1);
    EXPECT_TRUE(curve->isChecked());
    EXPECT_FALSE(linear->isChecked());
    linear->click();
    EXPECT_FALSE(curve->isChecked());
    EXPECT_TRUE(linear->isChecked());
    EXPECT_EQ(dialog_->WarpMode(), 1);
    EXPECT_EQ(doc_.m_boundary.m_nWork[0], 1);
    linear->click();  // clicking the chosen one again keeps it
    EXPECT_TRUE(linear->isChecked());
    EXPECT_FALSE(curve->isChecked());
    curve->click();
    EXPECT_TRUE(curve->isChecked());
    EXPECT_FALSE(linear->isChecked());
    EXPECT_EQ(dialog_->WarpMode(), 0);
}

}  // namespace
