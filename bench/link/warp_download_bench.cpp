// One full warp download: the CPU cost of building it (lattice, filters,
// frames) and the wall time of dvOrvelAutoDownloadWarp against a simulated
// board on loopback (43 exchanges).
#include <benchmark/benchmark.h>

#include <memory>

#include "dvOrvelAuto.h"
#include "link/result.h"
#include "link/warp_download.h"
#include "warp_tables.h"
#ifdef LINK_BENCH_WITH_BOARD
#include "wallsim/board_server.h"
#endif

namespace {

using vantis::link::testing::WarpTables;

// Takes every frame and acknowledges it without any I/O.
class NullLink final : public vantis::link::Exchanger {
  public:
    LinkResult Command(std::span<const std::uint8_t> frame) override {
        bytes += frame.size();
        return vantis::link::kOk;
    }
    LinkResult Query(std::span<const std::uint8_t> frame, std::vector<std::uint8_t>& payload) override {
        bytes += frame.size();
        payload.assign(frame.size() > 6 ? frame.size() - 6 : 1, 0);
        return vantis::link::kOk;
    }
    std::size_t bytes = 0;
};

WarpTables Warped() {
    WarpTables t;
    t.Fill([](int i, int j, float& x, float& y) {
        x = 15.2f * i + 0.01f * j * i + 40.0f;
        y = 15.6f * j + 0.02f * i;
    });
    return t;
}

void BM_BuildWarpDownload(benchmark::State& state) {
    WarpTables forward = Warped();
    WarpTables source = Warped();
    const auto grid = *vantis::link::PanelGridFor(1920, 1080);
    NullLink link;
    for (auto _ : state) {
        const LinkResult r =
            vantis::link::DownloadWarp(link, {forward.xp(), forward.yp()}, {source.xp(), source.yp()}, grid);
        benchmark::DoNotOptimize(r);
    }
    state.counters["bytes_per_download"] = double(link.bytes) / double(state.iterations());
}
BENCHMARK(BM_BuildWarpDownload)->Unit(benchmark::kMicrosecond);

#ifdef LINK_BENCH_WITH_BOARD
void BM_DownloadWarpLoopback(benchmark::State& state) {
    wallsim::BoardConfig config;
    config.recordFrames = false;
    auto board = wallsim::BoardServer::StartInRange(50, 59, config);
    if (!board) {
        state.SkipWithError("no free address in 127.0.0.50-59");
        return;
    }
    const LinkHandle h = dvOrvelAutoOpen(board->address_value());
    if (h == 0) {
        state.SkipWithError("cannot connect to the simulated board");
        return;
    }
    WarpTables forward = Warped();
    WarpTables source = Warped();
    TablePair f{forward.xp(), forward.yp()};
    TablePair s{source.xp(), source.yp()};
    for (auto _ : state) {
        if (dvOrvelAutoDownloadWarp(h, &f, &s, 1920, 1080) != 0) {
            state.SkipWithError("download failed");
            break;
        }
    }
    dvOrvelAutoDisconnect(h);
    board->Stop();
}
BENCHMARK(BM_DownloadWarpLoopback)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace

BENCHMARK_MAIN();
