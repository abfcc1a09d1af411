// The engine's settings of default.ini on their way to the engine: the centre
// mode read from the file is what the warp computation hands the engine.
#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

#include "calibration/warp_compute.h"
#include "test_support.h"

namespace vantis::calibration {
namespace {

using testing::TempFolder;

// The centre mode the engine was called with, from a document of one channel.
CentreMode CentresTheEngineGets() {
    VantisAuto::CDoc doc;
    doc.m_nTiming = 8;
    doc.AddChannel(0x7F000001u);
    EngineCalls engine;
    CentreMode seen = -1;
    engine.doImageWarpingWithFigures = [&seen](auto&&... args) {
        const auto& all = std::forward_as_tuple(args...);
        seen = std::get<14>(all).centres;
        WarpResult refused;
        refused.status = kWarpBadArguments;
        return refused;
    };
    EXPECT_EQ(ComputeWarps(doc, engine).status, kWarpBadArguments);
    return seen;
}

CentreMode CentresFromIni(const TempFolder& folder, const std::string& text) {
    const auto path = folder.path() / "default.ini";
    std::ofstream(path) << text;
    vantis::model::Defaults defaults;
    std::string error;
    EXPECT_TRUE(vantis::model::ReadDefaults(path, &defaults, &error)) << error;
    SetDefaultWarpOptions(WarpOptionsOf(defaults));
    return CentresTheEngineGets();
}

TEST(EngineSettings, CentreModeOfDefaultIniReachesTheEngine) {
    const TempFolder folder("engine-settings");
    EXPECT_EQ(CentresFromIni(folder, "[ENGINE]\nCENTRES=box\n"), kCentresBox);
    EXPECT_EQ(CentresFromIni(folder, "[ENGINE]\nCENTRES=centroid\n"), kCentresCentroid);
    EXPECT_EQ(CentresFromIni(folder, "[MAIN]\nPID=Box\n"), kCentresCentroid);  // not set: centroids
}

}  // namespace
}  // namespace vantis::calibration
