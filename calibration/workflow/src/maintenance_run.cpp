#include "calibration/maintenance_run.h"

#include <cstdio>
#include <ctime>
#include <functional>

#include "calibration/auto_tune.h"
#include "calibration/calibration_sequence.h"
#include "calibration/capture.h"
#include "calibration/warp_compute.h"
#include "dvOrvelAuto.h"
#include "vantis/delays.h"
#include "vantis/messages/maintenance_messages.h"
#include "vantis/model/device_ops.h"
#include "vantis/model/doc_lock.h"
#include "vantis/model/source_map.h"

namespace vantis::calibration {

namespace msg = tendal::msg;
using VantisAuto::CChannel;
using VantisAuto::DocLock;
using VantisAuto::DocumentLock;

std::string LogTimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return tendal::Messages().Format(
        msg::kTimeStamp, {static_cast<long long>(local.tm_hour), static_cast<long long>(local.tm_min)});
}

namespace {

// A failed pass: which step (kind) and its code, and the projector's address when one failed.
MaintenanceResult Failure(int kind, int code, std::string text = {}) {
    MaintenanceResult result;
    result.outcome = Outcome::Failed;
    result.kind = kind;
    result.code = code;
    result.text = std::move(text);
    return result;
}

bool AllZero(const vantis::model::TablePairData& t) {
    for (int c = 0; c < vantis::model::kTableColumns; ++c)
        for (int r = 0; r < vantis::model::kTableRows; ++r)
            if (t.x[c][r] != 0.0f || t.y[c][r] != 0.0f) return false;
    return true;
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

using Clock = std::chrono::steady_clock;

class Run {
  public:
    Run(VantisAuto::CDoc& doc, CameraDevice& camera, Reporter& reporter, const StopRequest& stop,
        const MaintenanceOptions& options)
        : doc_(doc), camera_(camera), reporter_(reporter), stop_(stop), options_(options) {}

    // What the report needs besides the result (kept apart: result_ is replaced whole).
    StepTimes stepTimes;
    WarpOutcome engineAnswer;
    bool photographed = false;

    MaintenanceResult Go() {
        camera_.onPhoto = [this](int number, double seconds) {
            char what[32];
            std::snprintf(what, sizeof what, "photo %d", number);
            Took(what, seconds);
        };
        auto phase = Clock::now();
        if (!ConnectPass()) {
            // 10: the projector did not answer; a failed step has logged its own line.
            if (result_.code == 10) Line(msg::kConnectFailed, {result_.text});
            return result_;
        }
        phase = Took("connect and restore", phase);
        if (!OpenCamera()) return result_;
        // The pause stood in for the camera's picture settling after it was opened and set.
        camera_.WaitForStillPicture(vantis::delays::Scaled(vantis::delays::kMaintenanceStartWait));
        if (stop_.Requested()) return Stopped();
        phase = Took("camera open", phase);

        Line(msg::kStartAutoTune, {});
        AutoTuneOptions tune;
        tune.vendorWord = options_.vendorWord;
        tune.resetPictureProperties = false;
        const AutoTuneResult tuned = RunAutoTune(doc_, camera_, reporter_, stop_, options_.engine, tune);
        doc_.m_camera = camera_.Properties();
        if (tuned.end == AutoTuneResult::End::Stopped) return Stopped();
        if (tuned.end == AutoTuneResult::End::NeverSettled) return NeverSettled();
        if (camera_.failedPhotos > 0) return CameraLost();
        Line(msg::kFinishAutoTune, {});
        Took("auto-tune", phase);

        doc_.ReadCorrections();
        SwitchCorrections(0);
        Line(msg::kStartCollect, {});
        CaptureOptions capture;
        capture.vendorWord = options_.vendorWord;
        capture.dataHome = options_.dataHome;
        capture.checkPhotos = false;
        const auto captureStart = std::chrono::steady_clock::now();
        CaptureFailure failure = CaptureFailure::None;
        const Outcome captured =
            RunCapture(doc_, camera_, reporter_, stop_, options_.engine, capture, &failure);
        stepTimes.capture = SecondsSince(captureStart);
        SwitchCorrections(1);
        if (captured == Outcome::Stopped) return Stopped();
        if (captured == Outcome::Failed && failure == CaptureFailure::NeverSettled) return NeverSettled();
        if (captured == Outcome::Failed) {
            // Only an image folder that may not be emptied gets here (photos are not checked).
            result_ = Failure(2, 1);
            Line(msg::kNoCamera, {});
            return result_;
        }
        if (camera_.failedPhotos > 0) return CameraLost();
        Line(msg::kFinishCollect, {});
        Took("photographs", stepTimes.capture);
        if (stop_.Requested()) return Stopped();
        photographed = true;
        if (options_.checkOnly) {
            result_.outcome = Outcome::Done;
            return result_;
        }

        const auto computeStart = std::chrono::steady_clock::now();
        if (options_.autoBoundary && !AutoBoundary()) return result_;
        ComputeThresholds(doc_, options_.engine);
        const WarpOutcome warp = ComputeWarps(doc_, options_.engine);
        stepTimes.compute = SecondsSince(computeStart);
        Took("warp computation", stepTimes.compute);
        engineAnswer = warp;
        if (warp.status != kWarpOk) {
            result_ = Failure(3, warp.status);
            if (warp.status == kWarpPhotoUnreadable)
                Line(msg::kNoCamera, {});
            else if (warp.status == kWarpCentreBlobs)
                Line(msg::kCentrePatternMissing, {});
            else
                reporter_.Log(tendal::Messages().Format(msg::kWarpFailed, {WarpFailureText(warp)}));
            return result_;
        }
        if (stop_.Requested()) return Stopped();
        const auto downloadStart = std::chrono::steady_clock::now();
        const bool downloaded = DownloadPass();
        stepTimes.download = SecondsSince(downloadStart);
        if (!downloaded) return result_;
        Took("download and save", stepTimes.download);
        doc_.m_bWarped = true;
        Line(msg::kComplete, {});
        result_.outcome = Outcome::Done;
        return result_;
    }

  private:
    // The camera as the workflows see it, counting the photos that were not saved: a
    // camera that died mid-run leaves no photos, and the run must not go on as if it had.
    class WatchedCamera final : public CameraDevice {
      public:
        explicit WatchedCamera(CameraDevice& camera) : camera_(camera) {}
        void SetFilePrefixName(const std::string& prefix) override { camera_.SetFilePrefixName(prefix); }
        std::string GetImagePath() const override { return camera_.GetImagePath(); }
        int TakePhoto(int number) override {
            const auto start = Clock::now();
            const int saved = camera_.TakePhoto(number);
            if (saved != 1) ++failedPhotos;
            if (onPhoto) onPhoto(number, SecondsSince(start));
            return saved;
        }
        std::string LastPhotoPath() const override { return camera_.LastPhotoPath(); }
        void MarkPicture() override { camera_.MarkPicture(); }
        PhotoResult TakeSettledPhoto(int number, std::chrono::milliseconds ceiling) override {
            const auto start = Clock::now();
            const PhotoResult result = camera_.TakeSettledPhoto(number, ceiling);
            if (result == PhotoResult::NotSaved) ++failedPhotos;
            if (onPhoto) onPhoto(number, SecondsSince(start));
            return result;
        }
        bool WaitForStillPicture(std::chrono::milliseconds ceiling) override {
            return camera_.WaitForStillPicture(ceiling);
        }
        CDShowCameraData& Properties() override { return camera_.Properties(); }
        void ApplyProperties() override { camera_.ApplyProperties(); }
        void SetExposure(long value) override { camera_.SetExposure(value); }
        void SetGain(long value) override { camera_.SetGain(value); }
        cv::Size PictureSize() const override { return camera_.PictureSize(); }
        int Count() override { return camera_.Count(); }
        std::wstring Name(int index) override { return camera_.Name(index); }
        bool Open(int index, const CameraSetup& setup) override { return camera_.Open(index, setup); }
        void TakeConfig(const CDShowCameraData& stored) override { camera_.TakeConfig(stored); }
        void StartGrid() override { camera_.StartGrid(); }

        int failedPhotos = 0;
        // Told of every photograph and how long it took, from the call on.
        std::function<void(int number, double seconds)> onPhoto;

      private:
        CameraDevice& camera_;
    };

    // The boundary from this run's photos; a failure is logged with its reason.
    bool AutoBoundary() {
        const BoundaryResult found = ComputeAutoBoundary(doc_, options_.engine);
        if (found.status != kBoundaryOk) {
            result_ = Failure(5, found.status);
            reporter_.Log(Stamp() + " automatic boundary failed: " + BoundaryFailureText(found) + "\r\n");
            return false;
        }
        char ratio[32];
        std::snprintf(ratio, sizeof ratio, "%.3f", found.aspectRatio);
        reporter_.Log(Stamp() + " automatic boundary found (aspect ratio " + ratio + ")\r\n");
        return true;
    }

    // A picture kept changing after a command: the reason was reported, the
    // projectors show their pictures again, nothing of the run is kept.
    MaintenanceResult NeverSettled() {
        result_ = Failure(2, 6);
        return result_;
    }

    MaintenanceResult CameraLost() {
        result_ = Failure(2, 0);
        Line(msg::kNoCamera, {});
        return result_;
    }

    static std::string WarpFailureText(const WarpOutcome& warp) {
        std::string text;
        switch (warp.status) {
            case kWarpBadArguments:
                text = "the project's layout, overlap or photos do not fit the calculation";
                break;
            case kWarpRegionAtEdge:
                text = "the projected area touches the edge of the camera picture";
                break;
            case kWarpGridInconsistent:
                text = "the pattern blocks do not form one consistent grid";
                break;
            default:
                text = "the warp calculation failed";
                break;
        }
        text += " (status " + std::to_string(warp.status);
        if (warp.channel > 0) text += ", projector " + std::to_string(warp.channel);
        return text + ")";
    }

    static const char* LinkResultText(LinkResult result) {
        switch (result) {
            case 1:
                return "refused by the projector";
            case 2:
                return "malformed reply";
            case 50:
                return "no answer (time-out) or network unavailable";
            case 51:
                return "connection broken";
            default:
                return "socket error";
        }
    }

    // One line per failed step of a projector: its address, the step and the link's result.
    void StepFailed(const CChannel& c, const char* step, LinkResult result) {
        reporter_.Log(tendal::Messages().Format(
            msg::kProjectorStepFailed, {AddressText(c), std::string(step), static_cast<long long>(result),
                                        std::string(LinkResultText(result))}));
        if (result_.code == 0) {
            result_.code = result;
            result_.text = AddressText(c);
        }
    }

    // Downloads every channel's new warp (and blend), then saves it in the projector.
    // A projector whose step fails is given up at that step; the others go on. The run
    // is complete only when every projector took and saved everything.
    bool DownloadPass() {
        const bool blends = doc_.m_nSolution == 1 || doc_.m_nSolution == 2;
        DocLock lock(DocumentLock());
        result_ = Failure(4, 0);
        bool all = true;
        for (auto& channelPtr : doc_.m_channels) {
            CChannel& c = *channelPtr;
            LinkResult r = doc_.DownloadChannelWarp(c);
            if (r != 0) {
                StepFailed(c, "warp download", r);
                all = false;
                continue;
            }
            if (blends) {
                r = doc_.DownloadChannelBlend(c, doc_.m_gamma.m_gamma);
                if (r != 0) {
                    StepFailed(c, "blend download", r);
                    all = false;
                    continue;
                }
            }
            r = doc_.SaveChannel(c);
            if (r != 0) {
                StepFailed(c, "save", r);
                all = false;
            }
        }
        if (all) result_ = {};
        return all;
    }

    // A line with the time a finished phase took, so that a slow run shows where its time went.
    void Took(const char* phase, double seconds) {
        char text[96];
        std::snprintf(text, sizeof text, " %s took %.2f s\r\n", phase, seconds);
        reporter_.Log(Stamp() + text);
    }
    Clock::time_point Took(const char* phase, Clock::time_point since) {
        Took(phase, SecondsSince(since));
        return Clock::now();
    }

    std::string Stamp() const { return options_.timeStamp ? options_.timeStamp() : LogTimeStamp(); }

    // A log line: the time stamp, then the line's own arguments.
    void Line(int id, std::initializer_list<vantis::messages::MessageArg> args) {
        std::vector<vantis::messages::MessageArg> all{Stamp()};
        all.insert(all.end(), args.begin(), args.end());
        std::string text = tendal::Messages().Text(id);
        // Lines without a time stamp directive (the error lines) take the arguments as they are.
        if (id == msg::kConnectFailed || id == msg::kNoCamera || id == msg::kCentrePatternMissing)
            all.erase(all.begin());
        std::string line;
        switch (all.size()) {
            case 0:
                line = vantis::messages::FormatText(text, {});
                break;
            case 1:
                line = vantis::messages::FormatText(text, {all[0]});
                break;
            default:
                line = vantis::messages::FormatText(text, {all[0], all[1]});
                break;
        }
        reporter_.Log(line);
    }

    static std::string AddressText(const CChannel& c) { return std::to_string(c.m_dwIp & 0xFF); }

    bool ConnectPass() {
        DocLock lock(DocumentLock());
        for (auto& c : doc_.m_channels) {
            c->CloseLink();
            c->m_nState = CChannel::kStateNotConnected;
        }
        reporter_.ChannelsChanged();
        for (auto& channelPtr : doc_.m_channels) {
            CChannel& c = *channelPtr;
            if (stop_.Requested()) {
                Stopped();
                return false;
            }
            Line(msg::kConnectProjector, {AddressText(c)});
            const bool reachable = options_.prober ? vantis::model::IsReachable(c.m_dwIp, *options_.prober)
                                                   : vantis::model::IsReachable(c.m_dwIp);
            if (reachable) c.m_hLink = dvOrvelAutoOpen(c.m_dwIp);
            if (!reachable || c.m_hLink == 0) {
                c.m_hLink = 0;
                result_ = Failure(1, 10, AddressText(c));
                return false;
            }
            const LinkResult cleared = dvOrvelAutoClearImage(c.m_hLink);
            if (cleared != 0) {
                result_ = Failure(1, 0);
                StepFailed(c, "clear", cleared);
                return false;
            }
            if (options_.checkOnly) {  // a check changes nothing on the projectors
                c.m_nState = CChannel::kStateConnected;
                reporter_.ChannelsChanged();
                Line(msg::kConnectSuccess, {AddressText(c)});
                continue;
            }
            // Reset, identity, the warp stored in the configuration, save: the first
            // step that fails ends the run, with a line naming the projector and the step.
            struct Step {
                const char* name;
                LinkResult result;
            } failed{nullptr, 0};
            LinkResult r = dvOrvelAutoResetSys(c.m_hLink, doc_.m_nTiming);
            if (r != 0) failed = {"reset", r};
            if (!failed.name && (r = doc_.DownloadChannelIdentityWarp(doc_.m_nTiming, c)) != 0)
                failed = {"identity warp download", r};
            if (!failed.name && (r = doc_.DownloadChannelWarp(c)) != 0) failed = {"stored warp download", r};
            if (!failed.name && (r = dvOrvelAutoSaveSys(c.m_hLink)) != 0) failed = {"save", r};
            if (failed.name) {
                result_ = Failure(1, 0);
                StepFailed(c, failed.name, failed.result);
                return false;
            }
            c.m_nState = CChannel::kStateConnected;
            reporter_.ChannelsChanged();
            Line(msg::kConnectSuccess, {AddressText(c)});
        }
        return true;
    }

    bool OpenCamera() {
        const int count = camera_.Count();
        int chosen = -1;
        std::wstring name;
        if (count > 0 && doc_.m_bCameraConfigured) {
            const std::wstring wanted = doc_.GetCameraName();
            for (int i = 0; i < count && chosen < 0; ++i) {
                name = camera_.Name(i);
                if (name == wanted && IsSupportedCameraModel(name)) chosen = i;
            }
        }
        CameraSetup setup;
        doc_.GetTimingSize(&setup.panelWidth, &setup.panelHeight);
        const PatternInfo board = options_.engine.patternInfo(true, doc_.PatternType());
        setup.gridColumns = board.gridColumns;
        setup.gridRows = board.gridRows;
        setup.boundary = &doc_.m_boundary;
        if (chosen < 0 || !camera_.Open(chosen, setup)) {
            result_ = Failure(2, 0);
            Line(msg::kNoCamera, {});
            return false;
        }
        camera_.TakeConfig(doc_.m_camera);
        if (!doc_.m_bBoundaryDone) camera_.StartGrid();
        doc_.m_camera = camera_.Properties();
        doc_.SetCameraName(name);
        Line(msg::kOpenCamera, {Narrow(name)});
        return true;
    }

    void SwitchCorrections(int on) {
        DocLock lock(DocumentLock());
        for (auto& c : doc_.m_channels) {
            if (c->m_bBlackLevel) dvOrvelAutoEnableBlackLevel(c->m_hLink, on);
            if (c->m_bUniformity) dvOrvelAutoEnableUniformity(c->m_hLink, on);
            if (c->m_bGlobalContrast) dvOrvelAutoEnableGlobalContrast(c->m_hLink, on);
        }
    }

    // A stop leaves no projector in a test state: every open link is unblanked and its
    // patterns and solid colour cleared, whatever step the run was in.
    MaintenanceResult Stopped() {
        doc_.RestorePictures();
        result_.outcome = Outcome::Stopped;
        Line(msg::kStopped, {});
        return result_;
    }

    VantisAuto::CDoc& doc_;
    WatchedCamera camera_;
    Reporter& reporter_;
    const StopRequest& stop_;
    const MaintenanceOptions& options_;
    MaintenanceResult result_;
};

}  // namespace

// The run's report, its summary lines and notes in the log.
static void WriteRunReport(VantisAuto::CDoc& doc, MaintenanceResult& result, std::time_t start,
                           Reporter& reporter, const MaintenanceOptions& options) {
    RunFacts facts;
    facts.kind = options.checkOnly ? RunKind::Check : RunKind::Maintenance;
    facts.start = start;
    facts.end = std::time(nullptr);
    facts.times = result.times;
    if (result.outcome == Outcome::Done) {
        facts.outcome = RunOutcome::Ok;
    } else if (result.outcome == Outcome::Failed && result.kind == 3 && result.code != kWarpOk) {
        facts.outcome = RunOutcome::Refused;  // the engine refused the photos
        facts.message = EngineErrorMessage(result.code);
    } else {
        facts.outcome = RunOutcome::Failed;
    }
    facts.engineStatus = result.warp.status;
    facts.failedChannel = result.warp.channel;
    facts.figures = result.warp.figures;
    facts.photographed = result.photographed;
    result.report = FinishReport(doc, facts, options.reportFolder, options.thresholds, options.engine);
    const std::string stamp = (options.timeStamp ? options.timeStamp() : LogTimeStamp()) + " ";
    for (const std::string& line : SummaryLines(result.report.report)) reporter.Log(stamp + line + "\r\n");
    for (const std::string& note : result.report.notes) reporter.Log(stamp + note + "\r\n");
    if (!result.report.file.empty())
        reporter.Log(stamp + "report " + result.report.file.filename().string() + "\r\n");
}

void PrepareStoredWarps(VantisAuto::CDoc& doc) {
    DocLock lock(DocumentLock());
    int width = 0, height = 0;
    doc.GetTimingSize(&width, &height);
    const PatternInfo panel = AutoWarpGetPatternInfo(false, doc.PatternType());
    for (auto& c : doc.m_channels) {
        if (AllZero(c->m_forward)) {
            vantis::model::IdentityWarp(doc.m_nTiming, c->m_forward, c->m_source);
            continue;
        }
        vantis::model::ComputeSourceMap(c->m_forward, width, height, panel.gridColumns, panel.gridRows,
                                        c->m_source);
    }
}

MaintenanceResult RunMaintenance(VantisAuto::CDoc& doc, CameraDevice& camera, Reporter& reporter,
                                 const StopRequest& stop, const MaintenanceOptions& options) {
    reporter.Busy(true);
    const std::time_t start = std::time(nullptr);
    Run run(doc, camera, reporter, stop, options);
    MaintenanceResult result = run.Go();
    result.times = run.stepTimes;
    result.warp = std::move(run.engineAnswer);
    result.photographed = run.photographed;
    if (!options.reportFolder.empty()) WriteRunReport(doc, result, start, reporter, options);
    reporter.Busy(false);
    return result;
}

}  // namespace vantis::calibration
