// The protocol core's CPU cost (frames, register batches, reply assembly) and the wall
// time of command exchanges against a simulated board on loopback.
#include <benchmark/benchmark.h>

#include <memory>

#include "dvOrvelAuto.h"
#include "link/display_commands.h"
#include "link/register_batch.h"
#include "link/reply.h"
#include "link/result.h"
#ifdef LINK_BENCH_WITH_BOARD
#include "wallsim/board_server.h"
#endif

namespace {

using namespace vantis::link;

class CountingLink final : public Exchanger {
  public:
    LinkResult Command(std::span<const std::uint8_t> frame) override {
        bytes += frame.size();
        return kOk;
    }
    LinkResult Query(std::span<const std::uint8_t> frame, std::vector<std::uint8_t>& payload) override {
        bytes += frame.size();
        payload.assign(8, 0);
        return kOk;
    }
    std::size_t bytes = 0;
};

void BM_PatternFrame(benchmark::State& state) {
    PatternGeometry geometry{{16, 16, 32, 32, 0, 0, 15, 17, 11, 13, 1, 1}, 1};
    for (auto _ : state) {
        Frame frame = PatternFrame(PatternShape::kRectangle, 0xFFFFFF, geometry);
        benchmark::DoNotOptimize(frame.Close().data());
    }
}
BENCHMARK(BM_PatternFrame);

// 1000 groups of two registers: 3000 words, six full frames and a padded rest.
void BM_RegisterBatch(benchmark::State& state) {
    for (auto _ : state) {
        CountingLink link;
        RegisterBatch batch(link);
        for (int i = 0; i < 1000; ++i) batch.Write({0x03, static_cast<std::uint8_t>(i), 2}, 0x1234);
        batch.Flush();
        benchmark::DoNotOptimize(link.bytes);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_RegisterBatch);

// The longest reply (2048 bytes of payload) arriving in 128-byte pieces.
void BM_ReplyAssembly(benchmark::State& state) {
    std::vector<std::uint8_t> reply(kMaxFrameSize, 0x5A);
    reply[0] = kStartByte;
    reply[3] = 0x08;
    reply[4] = 0x00;
    reply.back() = kEndByte;
    for (auto _ : state) {
        ReplyAssembler assembler;
        for (std::size_t at = 0; assembler.Wanted() > 0; at += 128)
            assembler.Take(std::span(reply).subspan(at, std::min<std::size_t>(128, reply.size() - at)));
        benchmark::DoNotOptimize(assembler.state());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(reply.size()));
}
BENCHMARK(BM_ReplyAssembly);

#ifdef LINK_BENCH_WITH_BOARD
struct Board {
    std::unique_ptr<wallsim::BoardServer> server;
    LinkHandle handle = 0;
    Board() {
        wallsim::BoardConfig config;
        config.recordFrames = false;
        server = wallsim::BoardServer::StartInRange(20, 39, config);
        if (server) handle = dvOrvelAutoOpen(server->address_value());
    }
    ~Board() {
        if (handle != 0) dvOrvelAutoDisconnect(handle);
    }
};

// One command exchange (blank) on loopback: drain, send, wait for the acknowledgement.
void BM_CommandExchange(benchmark::State& state) {
    Board board;
    if (board.handle == 0) {
        state.SkipWithError("no simulated board");
        return;
    }
    for (auto _ : state)
        if (dvOrvelAutoImageBlank(board.handle) != 0) state.SkipWithError("exchange failed");
}
BENCHMARK(BM_CommandExchange)->UseRealTime();

// The save sequence: eight exchanges.
void BM_SaveSys(benchmark::State& state) {
    Board board;
    if (board.handle == 0) {
        state.SkipWithError("no simulated board");
        return;
    }
    for (auto _ : state)
        if (dvOrvelAutoSaveSys(board.handle) != 0) state.SkipWithError("save failed");
}
BENCHMARK(BM_SaveSys)->UseRealTime();

// Open, version query (two exchanges), disconnect.
void BM_OpenVersionClose(benchmark::State& state) {
    Board board;
    if (board.handle == 0) {
        state.SkipWithError("no simulated board");
        return;
    }
    for (auto _ : state) {
        const LinkHandle h = dvOrvelAutoOpen(board.server->address_value());
        std::uint32_t two[2];
        std::uint32_t one;
        dvOrvelAutoGetVersion(h, two, &one);
        dvOrvelAutoDisconnect(h);
    }
}
BENCHMARK(BM_OpenVersionClose)
    ->UseRealTime()
    ->Iterations(500);  // bounded: each close leaves a TIME_WAIT socket
#endif

}  // namespace

BENCHMARK_MAIN();
