// The export's alpha maps follow the boards' blend rule: ramps at the picture
// position each panel pixel shows for boards that blend before the warp, at
// the panel pixel itself for boards that blend the warped output.
#include <gtest/gtest.h>

#include <cmath>

#include "mpcdi_reader.h"
#include "vantis/export/mpcdi.h"
#include "vantis/model/blend_zones.h"
#include "vantis/model/document.h"

namespace {

namespace vm = vantis::model;
namespace mpcdi = vantis::mpcdi;

// A calibrated pair of 1920 x 1080 panels, 320 pixels overlap; each panel
// shows its picture shrunk a little and moved 60 pixels right, 30 down.
void ShiftedPair(VantisAuto::CDoc& doc) {
    doc.m_nTiming = 8;
    doc.m_nLayout = 1;
    doc.m_nSolution = 1;
    doc.m_overlapPixels[0] = 320;
    for (int c = 0; c < 2; ++c) {
        VantisAuto::CChannel* channel = doc.AddChannel(0x7F000C21u + static_cast<unsigned>(c));
        channel->m_nColumn = c + 1;
        for (int i = 0; i < vm::WarpNodesFor(1080); ++i)
            for (int j = 0; j < vm::WarpNodesFor(1920); ++j) {
                channel->m_forward.x[j][i] = static_cast<float>(std::min(16 * j, 1920) * 0.94 + 60);
                channel->m_forward.y[j][i] = static_cast<float>(std::min(16 * i, 1080) * 0.94 + 30);
            }
    }
    doc.m_bWarped = true;
}

class MpcdiZones : public ::testing::Test {
  protected:
    void TearDown() override { vm::SetConfiguredBlendZoneRule(vm::BlendZoneRule::kPicture); }

    // The left region's alpha map and its zones under the rule.
    void Export(vm::BlendZoneRule rule, mpcdi::Region* region, vantis::mpcdi::testing::Grey* alpha) {
        vm::SetConfiguredBlendZoneRule(rule);
        VantisAuto::CDoc doc;
        ShiftedPair(doc);
        const mpcdi::ExportProject project = mpcdi::ProjectFromDocument(doc, nullptr);
        ASSERT_EQ(project.regions.size(), 2u);
        *region = project.regions[0];
        EXPECT_EQ(region->zonesInPanel, rule == vm::BlendZoneRule::kFollowWarp);
        std::vector<mpcdi::ExportFile> files;
        std::string error;
        ASSERT_TRUE(mpcdi::BuildFiles(project, &files, &error)) << error;
        for (const auto& f : files) {
            if (f.name == "r1/alpha.png") {
                ASSERT_TRUE(vantis::mpcdi::testing::DecodePng(f.bytes, alpha));
            }
        }
        ASSERT_EQ(alpha->width, 1920);
    }
};

TEST_F(MpcdiZones, BoardsBlendingThePictureGetRampsWhereThePictureLands) {
    mpcdi::Region region;
    vantis::mpcdi::testing::Grey alpha;
    Export(vm::BlendZoneRule::kPicture, &region, &alpha);
    const mpcdi::Zone right = region.zones[1];
    ASSERT_TRUE(right.enabled);
    // The middle of the picture's zone lands 0.94 * p + 60 on the panel.
    const double picture = right.start + right.width / 2.0;
    const int panel = static_cast<int>(std::lround(picture * 0.94 + 60));
    EXPECT_NEAR(alpha.At(panel, 500), mpcdi::ZoneWeight(right, false, (panel - 60) / 0.94), 1.0 / 255);
    EXPECT_GT(std::fabs(alpha.At(panel, 500) - mpcdi::ZoneWeight(right, false, panel)), 0.05);
}

TEST_F(MpcdiZones, BoardsBlendingTheWarpedOutputGetRampsOnThePanel) {
    mpcdi::Region region;
    vantis::mpcdi::testing::Grey alpha;
    Export(vm::BlendZoneRule::kFollowWarp, &region, &alpha);
    const mpcdi::Zone right = region.zones[1];
    ASSERT_TRUE(right.enabled);
    // Zones in panel pixels, where the overlap's picture lands: the ramp at the panel pixel itself.
    for (int x = right.start; x < right.start + right.width; x += 37)
        EXPECT_NEAR(alpha.At(x, 500), mpcdi::ZoneWeight(right, false, x), 1.0 / 255) << x;
    EXPECT_NEAR(alpha.At(right.start - 20, 500), 1.0, 1e-9);
}

}  // namespace
