// Frames of the simulator's virtual camera through the capture pipeline to the view widget,
// and TakePhoto without its settling wait.
//
//   bench_camera --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// The camera server runs in this process on a Unix socket in a temporary directory and serves
// a fixed picture. Its frame pacing (a new picture every 100 ms) is scaled down, so that the
// rate measured is the pipeline's, not the simulated camera's.
#include <QApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <vector>

#include "oculet/CDShowCameraCtrl.h"
#include "oculet/CDShowGridOverlay.h"
#include "vantis/delays.h"
#include "wallsim/vcam.h"

namespace {

using Clock = std::chrono::steady_clock;

QApplication& App() {
    static int argc = 1;
    static char name[] = "bench_camera";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// A server serving one still picture of the requested size (rendering is the simulator's cost,
// measured by its own benchmark).
class Camera {
  public:
    Camera() {
        dir_ = std::filesystem::temp_directory_path() / ("bench-camera-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        const auto socket = (dir_ / "camera.sock").string();
        ::setenv("WALLSIM_CAMERA_SOCKET", socket.c_str(), 1);
        std::string error;
        if (!server_.Start(socket, &error)) std::abort();
    }
    ~Camera() {
        server_.Stop();
        std::filesystem::remove_all(dir_);
    }
    const std::filesystem::path& dir() const { return dir_; }
    static int Index() { return CDShowCamera::GetCount() - 1; }

  private:
    // Made once per size: the server's own rendering is not what is measured here.
    static cv::Mat Picture(const wallsim::CameraSettings& settings, std::uint64_t) {
        static std::mutex mutex;
        static cv::Mat picture;
        std::lock_guard lock(mutex);
        if (picture.cols != settings.width || picture.rows != settings.height) {
            picture.create(settings.height, settings.width, CV_8UC3);
            cv::randu(picture, 0, 255);
        }
        return picture;
    }
    std::filesystem::path dir_;
    wallsim::VcamServer server_{&Camera::Picture};
};

Camera& SharedCamera() {
    static Camera camera;
    return camera;
}

// Per frame: the time from the frame arriving from the socket to the widget having painted it.
void BM_VirtualCameraToWidget(benchmark::State& state) {
    App();
    vantis::delays::SetDelayScale(0.01);
    Camera& camera = SharedCamera();
    CDShowCameraCtrl control;
    control.resize(960, 540);
    control.show();
    std::mutex mutex;
    std::vector<double> latencies;
    std::atomic<std::uint64_t> painted{0};
    control.SetPaintObserver([&](const oculet::Frame& frame) {
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - frame.captured).count();
        std::lock_guard lock(mutex);
        latencies.push_back(ms);
        painted = frame.sequence;
    });
    if (control.Open(Camera::Index(), static_cast<int>(state.range(0)), static_cast<int>(state.range(1))) !=
        1) {
        state.SkipWithError("virtual camera did not open");
        return;
    }
    control.Run();
    std::uint64_t frames = 0;
    const auto start = Clock::now();
    for (auto _ : state) {
        const auto before = painted.load();
        QElapsedTimer timer;
        timer.start();
        while (painted.load() == before && timer.elapsed() < 5000)
            App().processEvents(QEventLoop::AllEvents, 1);
        ++frames;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    control.Stop();
    control.Close();
    std::lock_guard lock(mutex);
    if (!latencies.empty()) {
        std::sort(latencies.begin(), latencies.end());
        state.counters["latency_median_ms"] = latencies[latencies.size() / 2];
        state.counters["latency_p95_ms"] = latencies[latencies.size() * 95 / 100];
    }
    state.counters["painted_fps"] = frames / seconds;
    (void)camera;
}
BENCHMARK(BM_VirtualCameraToWidget)
    ->Args({1920, 1080})
    ->Args({640, 480})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Grab of the current picture and its BMP file, as TakePhoto does after the settling wait.
void BM_TakePhotoWithoutSettling(benchmark::State& state) {
    vantis::delays::SetDelayScale(0.01);
    Camera& camera = SharedCamera();
    CDShowGridOverlay graph;
    if (graph.Open(Camera::Index(), static_cast<int>(state.range(0)), static_cast<int>(state.range(1))) !=
        1) {
        state.SkipWithError("virtual camera did not open");
        return;
    }
    graph.Run();
    const auto path = (camera.dir() / "photo.bmp").string();
    for (auto _ : state) {
        if (graph.SaveCurrentPicture(path) != 1) {
            state.SkipWithError("photo not saved");
            break;
        }
    }
    graph.Close();
}
BENCHMARK(BM_TakePhotoWithoutSettling)
    ->Args({1920, 1080})
    ->Args({640, 480})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
