// The automatic boundary on a simulated wall, judged by its ground truth.
#include <gtest/gtest.h>

#include "boundary_survey.h"

namespace wallsim::tool {
namespace {

TEST(AutoBoundaryWall, BlendedPairInsideTheLightAndNearlyAsLargeAsTheBestFit) {
    Scene scene;
    std::string error;
    ASSERT_TRUE(LoadSceneFile(std::string(SCENES_DIR) + "/blend-2x1080.json", &scene, &error)) << error;
    const BoundarySurvey survey = SurveyBoundary(scene);
    ASSERT_TRUE(survey.ok) << survey.error;
    EXPECT_GE(survey.clearance, 0.5 * survey.margin);
    EXPECT_GE(survey.Share(), 0.95);
    EXPECT_LE(survey.Share(), 1.0);
}

}  // namespace
}  // namespace wallsim::tool
