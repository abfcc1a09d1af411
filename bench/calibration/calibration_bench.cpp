// Time of one whole unattended calibration (connect, camera, auto-tune,
// photographs, engine, download, save) on the simulated wall, for walls of 2,
// 4 and 6 projectors, with the fixed photo waits and with settled
// photographs. Medians of the repetitions; the ground truth's worst rms after
// the run is reported beside it, so a faster run can be seen to be as good.
//
//   VANTIS_DELAY_SCALE=1 build/release/bin/bench_calibration
//   (BENCH_CALIBRATION_REPETITIONS, default 3; --benchmark_filter=Settled to skip the slow ones)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>

#include "calibration/maintenance_run.h"
#include "calibration/oculet_camera.h"
#include "project_config.h"
#include "test_support.h"
#include "test_wall.h"
#include "vantis/model/config.h"

namespace {

using namespace vantis::calibration;

const char* kScenes[] = {"blend-2x1080.json", "blend-2-stacked-2.json", "wall-3x2-1024.json"};

void BM_Calibration(benchmark::State& state, int sceneIndex, PhotoWait wait) {
    SetDefaultPhotoWait(wait);
    const std::string scene = kScenes[sceneIndex];
    // Boards on 127.0.6.(10 * scene + 1) upward.
    testing::TempFolder home("bench-" + std::to_string(sceneIndex));
    testing::TestWall wall(scene, 10 * sceneIndex + 1, home.path().string(), {}, "127.0.6.");
    if (!wall.ok()) {
        state.SkipWithError(wall.error().c_str());
        return;
    }
    const auto dataHome = home.path() / ".local" / "share";
    std::string error;
    if (!wallsim::tool::WriteProjectConfig(wall.scene(), {home.path(), "Vendor", false}, nullptr, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    double worst = 0;
    for (auto _ : state) {
        VantisAuto::CDoc doc;
        vantis::model::LoadSystemConfig(doc, "Vendor", "Config", &error);
        PrepareStoredWarps(doc);
        CDShowGridOverlay graph;
        OculetCamera camera(graph);
        testing::RecordingReporter reporter;
        testing::AlwaysReachable prober;
        MaintenanceOptions options;
        options.prober = &prober;
        options.dataHome = dataHome;
        StopRequest stop;
        const auto start = std::chrono::steady_clock::now();
        const MaintenanceResult result = RunMaintenance(doc, camera, reporter, stop, options);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        graph.Close();
        doc.DisconnectAll();
        if (result.outcome != Outcome::Done) {
            std::string why = "calibration did not complete:";
            for (const auto& line : reporter.lines) why += " " + line;
            for (const auto& e : reporter.errors) why += " " + e;
            state.SkipWithError(why.c_str());
            return;
        }
        state.SetIterationTime(seconds);
        worst = testing::WorstRms(wall.Measure());
    }
    state.counters["worst_rms_px"] = worst;
    state.counters["projectors"] = static_cast<double>(wall.scene().projectors.size());
}

int Repetitions() {
    const char* text = std::getenv("BENCH_CALIBRATION_REPETITIONS");
    const int n = text ? std::atoi(text) : 3;
    return n > 0 ? n : 3;
}

void Register() {
    const char* names[] = {"2", "4", "6"};
    for (int i = 0; i < 3; ++i) {
        for (const auto& [label, wait] :
             {std::pair{"Fixed", PhotoWait::Fixed}, std::pair{"Settled", PhotoWait::Settled}}) {
            const std::string name = std::string("BM_Calibration/") + names[i] + "_projectors/" + label;
            benchmark::RegisterBenchmark(name.c_str(),
                                         [i, wait](benchmark::State& s) { BM_Calibration(s, i, wait); })
                ->UseManualTime()
                ->Iterations(1)
                ->Repetitions(Repetitions())
                ->ReportAggregatesOnly(true)
                ->ComputeStatistics("median",
                                    [](const std::vector<double>& v) {
                                        std::vector<double> sorted(v);
                                        std::sort(sorted.begin(), sorted.end());
                                        return sorted[sorted.size() / 2];
                                    })
                ->Unit(benchmark::kSecond);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("VANTIS_LOOPBACK_ONLY", "1", 1);
    Register();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
