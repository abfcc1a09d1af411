// bench_model: the source-map conversion for a 1920 x 1200 panel with the
// exhaustive and the accelerated nearest-node search (BM_SourceMapSpeedup
// times both in one run and reports the ratio and whether the outputs are
// identical), and the system configuration of 24 channels saved and loaded.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>

#include "vantis/model/project_file.h"
#include "vantis/model/source_map.h"

namespace vm = vantis::model;

namespace {

constexpr int kWidth = 1920, kHeight = 1200, kColumns = 121, kRows = 76;

// A keystoned, slightly wavy warp, as a calibration produces it.
std::unique_ptr<vm::TablePairData> Forward() {
    auto f = std::make_unique<vm::TablePairData>();
    for (int j = 0; j < kColumns; ++j) {
        for (int i = 0; i < kRows; ++i) {
            const float x = std::min(16 * j, kWidth), y = std::min(16 * i, kHeight);
            const float scale = 0.85f + 0.15f * y / kHeight;
            f->x[j][i] = kWidth / 2.0f + (x - kWidth / 2.0f) * scale + 6.0f * std::sin(y / 90.0f);
            f->y[j][i] = 20.0f + y * 0.95f + 4.0f * std::sin(x / 120.0f);
        }
    }
    return f;
}

void Convert(const vm::TablePairData& forward, vm::TablePairData& source, vm::NearestSearch search) {
    vm::ComputeSourceMap(forward, kWidth, kHeight, kColumns, kRows, source, search);
}

void BM_SourceMapExhaustive(benchmark::State& state) {
    auto forward = Forward();
    auto source = std::make_unique<vm::TablePairData>();
    for (auto _ : state) {
        Convert(*forward, *source, vm::NearestSearch::Exhaustive);
        benchmark::DoNotOptimize(source->x[10][10]);
    }
}
BENCHMARK(BM_SourceMapExhaustive)->Unit(benchmark::kMillisecond);

void BM_SourceMapAccelerated(benchmark::State& state) {
    auto forward = Forward();
    auto source = std::make_unique<vm::TablePairData>();
    for (auto _ : state) {
        Convert(*forward, *source, vm::NearestSearch::Accelerated);
        benchmark::DoNotOptimize(source->x[10][10]);
    }
}
BENCHMARK(BM_SourceMapAccelerated)->Unit(benchmark::kMillisecond);

// Both searches on the same grid in each iteration: the ratio of their times
// and whether the two outputs are bit for bit the same.
void BM_SourceMapSpeedup(benchmark::State& state) {
    auto forward = Forward();
    auto slow = std::make_unique<vm::TablePairData>();
    auto fast = std::make_unique<vm::TablePairData>();
    double slowSeconds = 0, fastSeconds = 0;
    bool identical = true;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        Convert(*forward, *slow, vm::NearestSearch::Exhaustive);
        const auto t1 = std::chrono::steady_clock::now();
        Convert(*forward, *fast, vm::NearestSearch::Accelerated);
        const auto t2 = std::chrono::steady_clock::now();
        slowSeconds += std::chrono::duration<double>(t1 - t0).count();
        fastSeconds += std::chrono::duration<double>(t2 - t1).count();
        for (int c = 0; c <= kColumns; ++c) {
            identical = identical && std::memcmp(slow->x[c], fast->x[c], sizeof(float) * (kRows + 1)) == 0 &&
                        std::memcmp(slow->y[c], fast->y[c], sizeof(float) * (kRows + 1)) == 0;
        }
    }
    state.counters["speedup"] = slowSeconds / fastSeconds;
    state.counters["identical"] = identical ? 1 : 0;
}
BENCHMARK(BM_SourceMapSpeedup)->Unit(benchmark::kMillisecond)->Iterations(5);

std::unique_ptr<VantisAuto::CDoc> Project24() {
    auto doc = std::make_unique<VantisAuto::CDoc>();
    doc->m_nLayout = 12;
    doc->m_nStackCount = 4;
    doc->m_camera.m_name = L"HD Pro Webcam C920";
    for (int n = 0; n < 24; ++n) {
        auto* c = doc->AddChannel(0xC0A80000u | static_cast<unsigned>(11 + n));
        c->m_nSlot = n + 1;
        c->m_threshold = 30.0 + n;
        const std::string folder = "/home/operator/.local/share/Vendor/ImageData/";
        c->m_strBlackPhoto = folder + "CameraImage000.bmp";
        c->m_strWhitePhoto = folder + "CameraImage" + std::to_string(100 + 3 * n) + ".bmp";
        c->m_strCenterPhoto = folder + "CameraImage" + std::to_string(101 + 3 * n) + ".bmp";
        c->m_strGridPhoto = folder + "CameraImage" + std::to_string(102 + 3 * n) + ".bmp";
    }
    return doc;
}

const std::filesystem::path& BenchFile() {
    static const auto path =
        std::filesystem::temp_directory_path() / "bench_model" / "SystemData" / "Config.cfg";
    return path;
}

void BM_SaveConfig24(benchmark::State& state) {
    auto doc = Project24();
    std::string error;
    for (auto _ : state) {
        if (!vm::SaveProjectFile(*doc, BenchFile(), &error)) state.SkipWithError(error.c_str());
    }
}
BENCHMARK(BM_SaveConfig24)->Unit(benchmark::kMicrosecond);

void BM_LoadConfig24(benchmark::State& state) {
    auto doc = Project24();
    std::string error;
    vm::SaveProjectFile(*doc, BenchFile(), &error);
    for (auto _ : state) {
        VantisAuto::CDoc loaded;
        if (!vm::LoadProjectFile(loaded, BenchFile(), &error)) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(loaded.m_channels.size());
    }
}
BENCHMARK(BM_LoadConfig24)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
