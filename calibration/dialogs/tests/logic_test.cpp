// The dialogs' rules without widgets: wizard filtering and address list,
// overlap arithmetic, gamma, boundary keys and zoom, camera sliders, the
// threshold dialog's stepping; the network check against simulated boards on
// 127.0.0.200-204; the boundary dialog's test pictures on boards on
// 127.0.7.20-21.
#include <gtest/gtest.h>

#include "calibration/camera_port.h"
#include "dialogs/boundary_logic.h"
#include "dialogs/camera_logic.h"
#include "dialogs/overlap_logic.h"
#include "dialogs/threshold_logic.h"
#include "dialogs/wizard_logic.h"
#include "dvOrvelAuto.h"
#include "vantis/model/document.h"
#include "wallsim/board_server.h"

#include <Qt>

using namespace meridan::dialogs;

namespace {

class AlwaysAnswers : public vantis::model::EchoProber {
  public:
    bool Echo(std::uint32_t, std::chrono::milliseconds) override { return true; }
};
class AnswersOnly : public vantis::model::EchoProber {
  public:
    explicit AnswersOnly(std::uint32_t a) : a_(a) {}
    bool Echo(std::uint32_t address, std::chrono::milliseconds) override { return address == a_; }
    std::uint32_t a_;
};

TEST(WizardLogic, SolutionSwitchResetsTimingAndLayoutOnPageTwo) {
    WizardModel m;
    m.ChooseSolution(kStacking);
    m.EnterLayoutPage();
    EXPECT_EQ(m.layout, 0);
    m.SetTiming(4);
    m.EnterLayoutPage();  // same solution: nothing reset
    EXPECT_EQ(m.timing, 4);
    m.ChooseSolution(kBlending);
    EXPECT_TRUE(m.blend);
    m.EnterLayoutPage();
    EXPECT_EQ(m.timing, 8);
    EXPECT_EQ(m.layout, 1);
    EXPECT_EQ(m.stack, 1);
    EXPECT_FALSE(m.StackEditable());
    EXPECT_EQ(m.entries.size(), 2u);
}

TEST(WizardLogic, BlendFilteringOfResolutionsAndLayouts) {
    const auto blended = ResolutionChoices(true);
    EXPECT_EQ(blended, (std::vector<int>{0, 2, 8, 4}));  // no 720p, no 11, no 12
    EXPECT_EQ(ResolutionChoices(false).size(), 7u);
    EXPECT_EQ(LayoutChoices(kStacking, true, 8), std::vector<int>{0});
    EXPECT_EQ(LayoutChoices(kBlending, true, 0), (std::vector<int>{1, 2, 3, 6, 7, 11}));
    EXPECT_EQ(LayoutChoices(kBlending, true, 2), (std::vector<int>{1, 2, 6, 7, 11, 12, 13}));
    EXPECT_EQ(LayoutChoices(kStackingBlending, false, 8).size(), 13u);
    // A stored timing 11 with blending shows as XGA 0.
    VantisAuto::CDoc doc;
    doc.m_nSolution = kBlending;
    doc.m_bBlendSolution = 1;
    doc.m_nTiming = 11;
    doc.m_nLayout = 2;
    WizardModel m;
    m.LoadFrom(doc);
    m.EnterLayoutPage();  // first visit resets
    m.timing = 11;
    m.RefreshLayoutPage();
    EXPECT_EQ(m.timing, 0);
}

TEST(WizardLogic, StackNumberAndAddressCount) {
    WizardModel m;
    m.ChooseSolution(kStackingBlending);
    m.EnterLayoutPage();
    EXPECT_EQ(m.stack, 2);
    m.SetStack(1);  // the spin below the minimum
    EXPECT_EQ(m.stack, 2);
    m.SetLayout(12);  // 2 rows x 3 columns
    EXPECT_EQ(m.entries.size(), 12u);
    EXPECT_EQ(m.entries[0].address, kFirstListAddress);
    EXPECT_EQ(m.entries[11].address, kFirstListAddress + 11);
    EXPECT_EQ(m.entries[5].column, 3);
    EXPECT_EQ(m.entries[5].row, 2);
    EXPECT_EQ(m.entries[6].column, 1);  // second stack starts at the first place again
    m.SetStack(3);
    EXPECT_EQ(m.entries.size(), 18u);
    m.SetStack(2);
    EXPECT_EQ(m.entries.size(), 12u);
    m.entries[3].address = m.entries[0].address;
    EXPECT_TRUE(m.HasRepeatedAddress());
    std::vector<AddressEntry> copy = m.entries;
    AlwaysAnswers echo;
    EXPECT_EQ(NetworkCheck(copy, echo), CheckResult::Repeated);
    EXPECT_EQ(copy[0].colour, 0u);  // nothing pinged
}

TEST(WizardLogic, WriteToReplacesTheChannels) {
    VantisAuto::CDoc doc;
    doc.AddChannel(0x7F000001);
    WizardModel m;
    m.ChooseSolution(kBlending);
    m.EnterLayoutPage();
    m.SetLayout(11);
    const int percent[2] = {20, 15};
    const int pixels[2] = {384, 160};
    m.WriteTo(doc, percent, pixels);
    ASSERT_EQ(doc.m_channels.size(), 4u);
    EXPECT_EQ(doc.m_nChannelCount, 4);
    EXPECT_EQ(doc.m_nLayout, 11);
    EXPECT_EQ(doc.m_overlapPixels[0], 384);
    EXPECT_EQ(doc.m_channels[3]->m_nColumn, 2);
    EXPECT_EQ(doc.m_channels[3]->m_nRow, 2);
    EXPECT_EQ(doc.m_channels[3]->m_nSlot, 3);
}

TEST(WizardLogic, NetworkCheckAgainstBoards) {
    auto a = wallsim::BoardServer::StartInRange(200, 201);
    ASSERT_TRUE(a);
    std::vector<AddressEntry> entries{{a->address_value(), 1, 1, 0},
                                      {0x7F0000CA, 2, 1, 0}};  // .202 has no board
    AnswersOnly echo(a->address_value());
    EXPECT_EQ(NetworkCheck(entries, echo), CheckResult::Silent);
    EXPECT_EQ(entries[0].colour, kEntryAnswered);
    EXPECT_EQ(entries[1].colour, kEntrySilent);
    AlwaysAnswers all;
    EXPECT_EQ(NetworkCheck(entries, all), CheckResult::OpenFailed);
    entries.pop_back();
    EXPECT_EQ(NetworkCheck(entries, all), CheckResult::Passed);
    std::vector<AddressEntry> none;
    EXPECT_EQ(NetworkCheck(none, all), CheckResult::Empty);
}

TEST(WizardLogic, ApplyResetsTheBoardsAndReportsTheFirstFailure) {
    auto a = wallsim::BoardServer::StartInRange(203, 203);
    ASSERT_TRUE(a);
    AlwaysAnswers echo;
    VantisAuto::CDoc channels;
    int octet = 0;
    std::vector<AddressEntry> entries{{a->address_value(), 1, 1, 0}};
    EXPECT_TRUE(ApplyTiming(channels, entries, 4, echo, &octet));
    EXPECT_NE(channels.m_channels[0]->m_hLink, 0);
    const auto state = a->Snapshot();
    EXPECT_FALSE(state.frames.empty());
    entries.push_back({0x7F0000CC, 2, 1, 0});  // .204 silent
    EXPECT_FALSE(ApplyTiming(channels, entries, 4, echo, &octet));
    EXPECT_EQ(octet, 204);
    CloseWizardChannels(channels, true);
    EXPECT_TRUE(channels.m_channels.empty());
}

TEST(OverlapLogic, PixelsAndTotalResolution) {
    EXPECT_EQ(OverlapPixels(1920, 20), 384);
    EXPECT_EQ(OverlapPixels(1080, 25), 264);
    EXPECT_EQ(TotalResolutionText(1920, 1080, 2, 1, 384, 0), "3456 X 1080 ");
    BlendPageModel m;
    m.timing = 8;
    m.layout = 1;  // 2 columns, 1 row
    m.ResetToMinimum();
    EXPECT_EQ(m.percent[0], 10);
    EXPECT_EQ(m.percent[1], 0);
    EXPECT_FALSE(m.SliderEnabled(1));
    m.MoveSlider(0, 20);
    EXPECT_EQ(m.pixels[0], 384);
    EXPECT_EQ(m.TotalText(), "3456 X 1080 ");
    m.MoveSlider(0, 99);
    EXPECT_EQ(m.percent[0], 50);
    m.layout = 6;  // 1 column, 2 rows
    m.ResetToMinimum();
    EXPECT_EQ(m.percent[0], 0);
    EXPECT_FALSE(m.SliderEnabled(0));
    EXPECT_TRUE(m.SliderEnabled(1));
    m.layout = 0;
    m.ResetToMinimum();
    EXPECT_EQ(m.percent[0], 0);
    EXPECT_EQ(m.percent[1], 50);
}

TEST(OverlapLogic, GammaMovesOnlyOnChange) {
    GammaModel g(2.2);
    EXPECT_EQ(g.Position(), 22);
    EXPECT_EQ(g.Text(), "Gamma: 2.2");
    EXPECT_FALSE(g.Move(22));
    EXPECT_TRUE(g.Move(18));
    EXPECT_DOUBLE_EQ(g.Gamma(), 1.8);
    EXPECT_FALSE(GammaModel::Enabled(0));
}

TEST(BoundaryLogic, LabelsZoomKeysAndTable) {
    EXPECT_EQ(GridLabel(4), "17x17");
    EXPECT_EQ(ZoomLabel(1), "80%");
    int zoom = 0;
    EXPECT_FALSE(StepZoom(zoom, WheelStep(true, false), 5));
    EXPECT_EQ(zoom, 0);
    EXPECT_TRUE(StepZoom(zoom, WheelStep(true, true), 5));  // a modifier makes it +1
    EXPECT_EQ(zoom, 1);
    zoom = 4;
    EXPECT_FALSE(StepZoom(zoom, +1, 5));
    EXPECT_EQ(ClassifyKey(Qt::Key_Escape), KeyAction::Swallow);
    EXPECT_EQ(ClassifyKey(Qt::Key_Return), KeyAction::Swallow);
    EXPECT_EQ(ClassifyKey(Qt::Key_Equal), KeyAction::Increase);
    EXPECT_EQ(SelectionKey(Qt::Key_A), Qt::Key_Left);
    const auto t = OverlapTableOf(121, 69, 2, 1, 384, 0);  // lattice 1920 x 1088
    EXPECT_EQ(t.columns, 433);
    EXPECT_EQ(t.rows, 137);
}

// One board takes the commands, the other refuses them: the pictures reach
// the first, the second is named once per change however many commands
// failed, and a board without a link is named too.
TEST(BoundaryLogic, TestPicturesNameTheProjectorsThatFailed) {
    std::string error;
    auto live = wallsim::BoardServer::Start("127.0.7.20", {}, &error);
    auto refusing = wallsim::BoardServer::Start("127.0.7.21", {}, &error);
    ASSERT_TRUE(live && refusing) << error;
    refusing->SetFault(wallsim::Fault::Of(wallsim::FaultMode::kRefuse));
    VantisAuto::CDoc doc;
    doc.m_nLayout = 1;
    for (auto* board : {live.get(), refusing.get()}) {
        auto* c = doc.AddChannel(board->address_value());
        c->m_hLink = dvOrvelAutoOpen(c->m_dwIp);
        ASSERT_NE(c->m_hLink, 0);
    }
    const FailedProjectors second{refusing->address_value()};
    EXPECT_EQ(ChangeTestPicture(doc, kPictureFullFill, kPictureDesktop), second);
    EXPECT_TRUE(live->Snapshot().solidShown);
    EXPECT_EQ(ChangeTestPicture(doc, kPictureBorder, kPictureFullFill), second);  // clear and four lines
    EXPECT_FALSE(live->Snapshot().solidShown);
    EXPECT_EQ(live->Snapshot().lines.size(), 4u);
    EXPECT_EQ(ChangeTestPicture(doc, kPictureOverlap, kPictureBorder), second);
    EXPECT_GT(live->Snapshot().lines.size(), 4u);
    EXPECT_EQ(ClearTestPicture(doc, kPictureOverlap), second);
    EXPECT_TRUE(live->Snapshot().lines.empty());
    refusing->ClearFault();
    EXPECT_TRUE(ClearAllPictures(doc).empty());
    doc.DisconnectAll();
    doc.m_channels.front()->m_hLink = 0;
    EXPECT_EQ(DrawTestPicture(doc, kPictureFullFill, kPictureDesktop).size(), 2u);
}

TEST(CameraLogic, ExposureMappingStepsAndAutoTune) {
    CameraPropertyState e{-11, -2, 1, -5, 2, 1, -6};
    // Exposure values are log2 seconds: the slider runs over them, so right is longer.
    const auto s = ExposureSlider(e);
    EXPECT_EQ(s.minimum, -11);
    EXPECT_EQ(s.maximum, -2);
    EXPECT_EQ(s.position, -6);
    EXPECT_EQ(s.page, 1);
    EXPECT_EQ(ExposureOfPosition(-6), -6);
    EXPECT_GT(ExposureOfPosition(s.position + 1), ExposureOfPosition(s.position));
    e.value = -20;  // a value outside the range sits at the end
    EXPECT_EQ(ExposureSlider(e).position, -11);
    EXPECT_EQ(SliderValueText(CameraProperty::Exposure, -5), "-5 (1/32 s)");
    EXPECT_EQ(SliderValueText(CameraProperty::Exposure, 0), "0 (1/1 s)");
    EXPECT_EQ(SliderValueText(CameraProperty::Exposure, 2), "2 (4 s)");
    EXPECT_EQ(SliderValueText(CameraProperty::Gain, 40), "40");
    CameraPropertyState pan{-10, 10, 1, 0, 2, 1, 0};
    EXPECT_EQ(StepValue(pan, true), 1);
    EXPECT_EQ(StepValue(pan, false), -1);
    pan.value = 10;
    EXPECT_EQ(StepValue(pan, true), 10);
    CDShowCameraData cam;
    for (auto p : {CameraProperty::Exposure, CameraProperty::Brightness, CameraProperty::Contrast})
        cam.State(p).supported = 1;
    EXPECT_FALSE(AutoTuneAllowed(cam, true));  // no gain
    cam.State(CameraProperty::Gain).supported = 1;
    EXPECT_TRUE(AutoTuneAllowed(cam, true));
    EXPECT_FALSE(AutoTuneAllowed(cam, false));
    EXPECT_FALSE(PropertySlider(CameraPropertyState{}).enabled);
    EXPECT_TRUE(IsListedCamera(vantis::calibration::kSupportedCameraModel));
    EXPECT_FALSE(IsListedCamera(L"Other Cam"));
}

TEST(ThresholdLogic, Stepping) {
    ThresholdSteps one(1);
    EXPECT_TRUE(one.DoneOffered());
    EXPECT_FALSE(one.NextOffered());
    ThresholdSteps three(3);
    EXPECT_TRUE(three.NextOffered());
    EXPECT_EQ(three.PreviousIndex(), 0);
    three.Go(three.NextIndex());
    three.Go(three.NextIndex());
    EXPECT_EQ(three.Index(), 2);
    EXPECT_TRUE(three.DoneOffered());
    EXPECT_EQ(three.NextIndex(), 2);
    EXPECT_EQ(SharpnessText(42), "Image Sharpness : 42");
}

}  // namespace
