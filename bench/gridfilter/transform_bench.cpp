// Per-frame cost of the grid editor at 1920 x 1080 on one core: a frame
// passed through while bypassed, the drawing alone (the engine-board grid of
// 129 x 65 nodes, 17 x 17 markers, the overlap outlines of a 2 x 1 wall), and
// the drawing with the picture zoomed. At 30 frames per second a frame may
// take 33 ms.
//
//   build/<dir>/bin/bench_gridfilter
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "grid_overlay.h"
#include "test_tables.h"

namespace {

using gridveil::FrameOrientation;
using gridveil::detail::CGridOverlay;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

struct Scene {
    gridveil::testing::BoundaryTables tables;
    gridveil::testing::OwnedTable overlap{433, 137};
    CGridOverlay editor;
    cv::Mat frame;

    Scene(int bitsPerPixel, bool bypass, int zoomLevel) {
        cv::setNumThreads(1);
        editor.SetTiming(1920, 1088, 129, 65);
        editor.SetBoundaryTable(&tables.adjust.Descriptor(), &tables.grid.Descriptor(),
                                &tables.coarse.Descriptor(), &tables.markers.Descriptor());
        editor.CheckInputType(kWidth, kHeight, bitsPerPixel, FrameOrientation::TopDown);
        editor.GetLayoutInf(1920, 1088, 2, 1, 384, 0);
        editor.SetOverLapTable(&overlap.Descriptor());
        gridveil::GridStyle style{};
        style.firstColumn = style.lastColumn = style.firstRow = style.lastRow = {0, 0, 255, 0};
        style.otherLines = {255, 0, 0, 0};
        style.firstColumnWidth = style.lastColumnWidth = style.firstRowWidth = style.lastRowWidth = 2;
        style.otherLinesWidth = 1;
        style.selectedMarker = style.otherMarkers = {0, 255, 0, 0};
        style.selectedMarkerSize = 20;
        style.otherMarkersSize = 10;
        style.overlap = {0, 255, 255, 0};
        style.overlapWidth = 2;
        editor.SetBoundaryType(&style);
        editor.ByPass(0);
        editor.SetGridNum(4);
        editor.StartGrid(1);
        editor.StartOverLap();
        editor.MoveAdjustPoint(gridveil::kUp);
        int level = zoomLevel;
        editor.StretchedCamera(kWidth / 2, kHeight / 2, &level);
        editor.ByPass(bypass ? 1 : 0);
        frame.create(kHeight, kWidth, CV_8UC(bitsPerPixel / 8));
        cv::randu(frame, 0, 255);
    }

    void Run() {
        editor.Transform(frame.data, kWidth, kHeight, static_cast<int>(frame.step), frame.channels() * 8,
                         FrameOrientation::TopDown);
    }
};

void RunScene(benchmark::State& state, bool bypass, int zoomLevel) {
    Scene scene(static_cast<int>(state.range(0)), bypass, zoomLevel);
    for (auto _ : state) {
        scene.Run();
        benchmark::DoNotOptimize(scene.frame.data);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_TransformBypassed(benchmark::State& state) {
    RunScene(state, true, 0);
}
void BM_TransformDrawing(benchmark::State& state) {
    RunScene(state, false, 0);
}
void BM_TransformDrawingZoomed(benchmark::State& state) {
    RunScene(state, false, 2);
}

void BM_TransformDrawingBottomUp(benchmark::State& state) {
    Scene scene(24, false, 0);
    for (auto _ : state) {
        scene.editor.Transform(scene.frame.data, kWidth, kHeight, static_cast<int>(scene.frame.step), 24,
                               FrameOrientation::BottomUp);
        benchmark::ClobberMemory();
    }
}

#define GRID_BENCH(fn) \
    BENCHMARK(fn)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true)

BENCHMARK(BM_TransformBypassed)
    ->Arg(24)
    ->Arg(32)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
GRID_BENCH(BM_TransformDrawing);
GRID_BENCH(BM_TransformDrawingZoomed);
BENCHMARK(BM_TransformDrawingBottomUp)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
