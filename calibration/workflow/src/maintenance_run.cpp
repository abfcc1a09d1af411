#include "calibration/maintenance_run.h"

#include <ctime>

#include "calibration/auto_tune.h"
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
    return tendal::Messages().Format(msg::kTimeStamp, {static_cast<long long>(local.tm_hour),
                                                       static_cast<long long>(local.tm_min)});
}

namespace {

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

class Run {
public:
    Run(VantisAuto::CDoc& doc, CameraDevice& camera, Reporter& reporter, const StopRequest& stop,
        const MaintenanceOptions& options)
        : doc_(doc), camera_(camera), reporter_(reporter), stop_(stop), options_(options) {}

    MaintenanceResult Go() {
        if (!ConnectPass()) {
            // 10: the projector did not answer; other codes: an empty line.
            if (result_.code == 10) Line(msg::kConnectFailed, {result_.text});
            else if (result_.outcome == Outcome::Failed) reporter_.Log("\r\n");
            return result_;
        }
        if (!OpenCamera()) return result_;
        if (!Wait(vantis::delays::kMaintenanceStartWait)) return Stopped();

        Line(msg::kStartAutoTune, {});
        AutoTuneOptions tune;
        tune.vendorWord = options_.vendorWord;
        tune.resetPictureProperties = false;
        const AutoTuneResult tuned = RunAutoTune(doc_, camera_, reporter_, stop_, options_.engine, tune);
        doc_.m_camera = camera_.Properties();
        Line(msg::kFinishAutoTune, {});
        if (tuned.end == AutoTuneResult::End::Stopped) return Stopped();

        doc_.ReadCorrections();
        SwitchCorrections(0);
        Line(msg::kStartCollect, {});
        CaptureOptions capture;
        capture.vendorWord = options_.vendorWord;
        capture.dataHome = options_.dataHome;
        capture.checkPhotos = false;
        const Outcome captured = RunCapture(doc_, camera_, reporter_, stop_, options_.engine, capture);
        if (captured == Outcome::Done) Line(msg::kFinishCollect, {});
        SwitchCorrections(1);
        if (captured == Outcome::Stopped) return Stopped();
        if (captured == Outcome::Failed) {
            // Only an image folder that may not be emptied gets here (photos are not checked).
            result_ = {Outcome::Failed, 2, 1, ""};
            Line(msg::kNoCamera, {});
            return result_;
        }
        if (stop_.Requested()) return Stopped();

        ComputeThresholds(doc_, options_.engine);
        const WarpOutcome warp = ComputeWarps(doc_, options_.engine);
        if (warp.status != kWarpOk) {
            result_ = {Outcome::Failed, 3, warp.status, ""};
            if (warp.status == kWarpPhotoUnreadable) Line(msg::kNoCamera, {});
            else if (warp.status == kWarpCentreBlobs) Line(msg::kCentrePatternMissing, {});
            else reporter_.Log("\r\n");
            return result_;
        }
        doc_.DownloadWarps();
        if (doc_.m_nSolution == 1 || doc_.m_nSolution == 2) doc_.DownloadBlends(doc_.m_gamma.m_gamma);
        doc_.SaveAll();
        doc_.m_bWarped = true;
        Line(msg::kComplete, {});
        result_.outcome = Outcome::Done;
        return result_;
    }

private:
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
            case 0: line = vantis::messages::FormatText(text, {}); break;
            case 1: line = vantis::messages::FormatText(text, {all[0]}); break;
            default: line = vantis::messages::FormatText(text, {all[0], all[1]}); break;
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
                result_ = {Outcome::Failed, 1, 10, AddressText(c)};
                return false;
            }
            const LinkResult cleared = dvOrvelAutoClearImage(c.m_hLink);
            if (cleared != 0) {
                result_ = {Outcome::Failed, 1, cleared, AddressText(c)};
                return false;
            }
            dvOrvelAutoResetSys(c.m_hLink, doc_.m_nTiming);
            doc_.DownloadChannelIdentityWarp(doc_.m_nTiming, c);
            doc_.DownloadChannelWarp(c);  // the warp stored in the configuration
            dvOrvelAutoSaveSys(c.m_hLink);
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
            result_ = {Outcome::Failed, 2, 0, ""};
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

    // The wait before the auto-tune, cut so that a stop request is seen.
    bool Wait(std::chrono::milliseconds nominal) {
        constexpr int kSlices = 10;
        for (int i = 0; i < kSlices; ++i) {
            if (stop_.Requested()) return false;
            vantis::delays::Sleep(nominal / kSlices);
        }
        return !stop_.Requested();
    }

    MaintenanceResult Stopped() {
        result_.outcome = Outcome::Stopped;
        return result_;
    }

    VantisAuto::CDoc& doc_;
    CameraDevice& camera_;
    Reporter& reporter_;
    const StopRequest& stop_;
    const MaintenanceOptions& options_;
    MaintenanceResult result_;
};

}  // namespace

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
        vantis::model::ComputeSourceMap(c->m_forward, width, height, panel.gridColumns, panel.gridRows, c->m_source);
    }
}

MaintenanceResult RunMaintenance(VantisAuto::CDoc& doc, CameraDevice& camera, Reporter& reporter,
                                 const StopRequest& stop, const MaintenanceOptions& options) {
    reporter.Busy(true);
    MaintenanceResult result = Run(doc, camera, reporter, stop, options).Go();
    reporter.Busy(false);
    return result;
}

}  // namespace vantis::calibration
