// wallsim_boundary_survey [SCENE...] [--random N]: the engine's automatic
// boundary on scenes, judged by the ground truth; one JSON line per scene and
// a summary line.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include <nlohmann/json.hpp>

#include "boundary_survey.h"
#include "wallsim/random_scene.h"

int main(int argc, char** argv) {
    using nlohmann::json;
    std::vector<std::pair<std::string, wallsim::Scene>> scenes;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--random" && i + 1 < argc) {
            const int count = std::atoi(argv[++i]);
            for (int seed = 1; seed <= count; ++seed)
                scenes.emplace_back("random " + std::to_string(seed), wallsim::RandomScene(seed));
            continue;
        }
        wallsim::Scene scene;
        std::string error;
        if (!wallsim::LoadSceneFile(arg, &scene, &error)) {
            std::cerr << "wallsim_boundary_survey: " << error << "\n";
            return 2;
        }
        scenes.emplace_back(arg, scene);
    }
    int failed = 0, outside = 0, small = 0;
    double worstShare = 1e9, sumShare = 0, worstClearance = 1e9;
    for (const auto& [name, scene] : scenes) {
        const wallsim::tool::BoundarySurvey s = wallsim::tool::SurveyBoundary(scene);
        json line{{"scene", name}, {"ok", s.ok}};
        if (!s.ok) {
            line["error"] = s.error;
            ++failed;
        } else {
            line["clearance"] = s.clearance;
            line["margin"] = s.margin;
            line["share"] = s.Share();
            if (s.clearance < 0.5 * s.margin) ++outside;
            if (s.Share() < 0.95) ++small;
            worstShare = std::min(worstShare, s.Share());
            sumShare += s.Share();
            worstClearance = std::min(worstClearance, s.clearance / std::max(s.margin, 1e-9));
        }
        std::cout << line.dump() << std::endl;
    }
    const int good = static_cast<int>(scenes.size()) - failed;
    std::cout << json{{"scenes", scenes.size()},
                      {"failed", failed},
                      {"outsideMargin", outside},
                      {"below95", small},
                      {"worstShare", good ? worstShare : 0},
                      {"meanShare", good ? sumShare / good : 0},
                      {"worstClearanceOverMargin", good ? worstClearance : 0}}
                     .dump()
              << std::endl;
    return failed + outside + small == 0 ? 0 : 1;
}
