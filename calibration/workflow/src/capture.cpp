#include "calibration/capture.h"

#include <filesystem>

#include "calibration/image_folder.h"
#include "dvOrvelAuto.h"
#include "vantis/delays.h"
#include "vantis/messages/calibration_messages.h"
#include "vantis/model/config.h"
#include "vantis/model/doc_lock.h"

namespace vantis::calibration {

namespace {

using VantisAuto::CChannel;
constexpr std::uint32_t kWhite = 0xFFFFFF;

bool PhotoExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

class Capture {
  public:
    Capture(VantisAuto::CDoc& doc, PhotoCamera& camera, Reporter& reporter, const StopRequest& stop,
            const CaptureOptions& options)
        : doc_(doc), camera_(camera), reporter_(reporter), stop_(stop), options_(options) {}

    Outcome Run(const PatternInfo& p) {
        VantisAuto::DocLock lock(VantisAuto::DocumentLock());
        for (auto& c : doc_.m_channels) {
            c->m_strBlackPhoto.clear();
            c->m_strWhitePhoto.clear();
            c->m_strCenterPhoto.clear();
            c->m_strGridPhoto.clear();
        }
        camera_.MarkPicture();
        for (auto& c : doc_.m_channels) dvOrvelAutoImageBlank(c->m_hLink);
        std::string black;
        // The black photo is always taken; a stop is seen from the first pattern on.
        const Step first = Photograph(0, &black, /*stoppable=*/false);
        for (auto& c : doc_.m_channels) c->m_strBlackPhoto = black;
        if (first == Step::Stopped) return Stopped();
        if (first == Step::NeverSettled) return NeverSettled();
        if (options_.checkPhotos && !PhotoExists(black)) {
            failure = CaptureFailure::PhotoMissing;
            Fail();
            for (auto& c : doc_.m_channels) dvOrvelAutoImageUnBlank(c->m_hLink);
            return Outcome::Failed;
        }

        int k = 0;
        for (auto& channelPtr : doc_.m_channels) {
            CChannel& c = *channelPtr;
            const int n = 3 * k + 1;
            ++k;
            if (stop_.Requested()) return Stopped();

            camera_.MarkPicture();
            dvOrvelAutoImageUnBlank(c.m_hLink);
            dvOrvelAutoDisplaySolidColor(c.m_hLink, kWhite);
            if (const Step s = Photograph(n, &c.m_strWhitePhoto); s != Step::Taken) return Ended(s);
            dvOrvelAutoClearSolidColor(c.m_hLink);
            dvOrvelAutoImageBlank(c.m_hLink);
            if (!Check(c, c.m_strWhitePhoto)) return Outcome::Failed;
            if (whitesOnly) continue;
            if (stop_.Requested()) return Stopped();

            camera_.MarkPicture();
            dvOrvelAutoImageUnBlank(c.m_hLink);
            dvOrvelAutoMakeRectanglePattern(c.m_hLink, kWhite, p.blockWidth, p.blockHeight, p.pitchX,
                                            p.pitchY, 0, 0, p.centreColumn, p.centreColumnEnd, p.centreRow,
                                            p.centreRowEnd, 1, 1, 1);
            if (const Step s = Photograph(n + 1, &c.m_strCenterPhoto); s != Step::Taken) return Ended(s);
            dvOrvelAutoClearImage(c.m_hLink);
            dvOrvelAutoImageBlank(c.m_hLink);
            if (!Check(c, c.m_strCenterPhoto)) return Outcome::Failed;
            if (stop_.Requested()) return Stopped();

            camera_.MarkPicture();
            dvOrvelAutoImageUnBlank(c.m_hLink);
            dvOrvelAutoMakeRectanglePattern(c.m_hLink, kWhite, p.blockWidth, p.blockHeight, p.pitchX,
                                            p.pitchY, 0, 0, 0, p.blockColumns + 1, 0, p.blockRows + 1, 1, 1,
                                            1);
            if (const Step s = Photograph(n + 2, &c.m_strGridPhoto); s != Step::Taken) return Ended(s);
            dvOrvelAutoClearImage(c.m_hLink);
            dvOrvelAutoImageBlank(c.m_hLink);
            if (!Check(c, c.m_strGridPhoto)) return Outcome::Failed;
        }
        RestoreAll();
        return Outcome::Done;
    }

    void Fail() { reporter_.Error(meridan::Messages().Text(meridan::msg::kCaptureFailed)); }

    CaptureFailure failure = CaptureFailure::None;
    bool whitesOnly = false;  // black and the whites only, for the boundary

  private:
    enum class Step { Taken, Stopped, NeverSettled };

    // The photograph after the command just sent.
    Step Photograph(int number, std::string* path, bool stoppable = true) {
        bool stopped = false;
        const StopRequest never;
        const PhotoResult result =
            PhotographAfterCommand(camera_, number, options_.photoWait, stoppable ? stop_ : never, &stopped);
        if (stopped) return Step::Stopped;
        *path = camera_.LastPhotoPath();
        if (result == PhotoResult::NeverSettled) {
            // A photograph of a picture in motion would be wrong; there is none.
            path->clear();
            return Step::NeverSettled;
        }
        return Step::Taken;
    }

    Outcome Ended(Step step) { return step == Step::NeverSettled ? NeverSettled() : Stopped(); }

    bool Check(CChannel& c, const std::string& path) {
        if (!options_.checkPhotos || PhotoExists(path)) return true;
        failure = CaptureFailure::PhotoMissing;
        Fail();
        dvOrvelAutoImageUnBlank(c.m_hLink);
        return false;
    }

    void RestoreAll() {
        for (auto& c : doc_.m_channels) dvOrvelAutoImageUnBlank(c->m_hLink);
        for (auto& c : doc_.m_channels) dvOrvelAutoClearImage(c->m_hLink);
    }

    Outcome Stopped() {
        RestoreAll();
        return Outcome::Stopped;
    }

    // The projectors show the wall again, the photo paths are dropped (none of
    // this capture's photos may be used), and the reporter is told why.
    Outcome NeverSettled() {
        RestoreAll();
        for (auto& c : doc_.m_channels) {
            c->m_strBlackPhoto.clear();
            c->m_strWhitePhoto.clear();
            c->m_strCenterPhoto.clear();
            c->m_strGridPhoto.clear();
        }
        failure = CaptureFailure::NeverSettled;
        reporter_.Error(meridan::Messages().Text(meridan::msg::kPictureNeverSettled));
        return Outcome::Failed;
    }

    VantisAuto::CDoc& doc_;
    PhotoCamera& camera_;
    Reporter& reporter_;
    const StopRequest& stop_;
    const CaptureOptions& options_;
};

}  // namespace

std::chrono::milliseconds SettleCeiling() {
    return vantis::delays::Scaled(vantis::delays::kPatternSettle) +
           vantis::delays::Scaled(vantis::delays::kPhotoSettle);
}

PhotoResult PhotographAfterCommand(PhotoCamera& camera, int number, PhotoWait wait, const StopRequest& stop,
                                   bool* stopped) {
    *stopped = false;
    if (wait == PhotoWait::Settled) {
        if (stop.Requested()) {
            *stopped = true;
            return PhotoResult::NotSaved;
        }
        return camera.TakeSettledPhoto(number, SettleCeiling());
    }
    constexpr int kSlices = 10;  // the wait is cut so that a stop request is seen within a tenth of it
    for (int i = 0; i < kSlices; ++i) {
        if (stop.Requested()) {
            *stopped = true;
            return PhotoResult::NotSaved;
        }
        vantis::delays::Sleep(vantis::delays::kPatternSettle / kSlices);
    }
    return camera.TakePhoto(number) == 1 ? PhotoResult::Saved : PhotoResult::NotSaved;
}

namespace {

Outcome RunCaptureOf(VantisAuto::CDoc& doc, PhotoCamera& camera, Reporter& reporter, const StopRequest& stop,
                     const EngineCalls& engine, const CaptureOptions& options, CaptureFailure* failure,
                     bool whitesOnly) {
    if (failure) *failure = CaptureFailure::None;
    Capture capture(doc, camera, reporter, stop, options);
    capture.whitesOnly = whitesOnly;
    camera.SetFilePrefixName(options.vendorWord);
    const std::filesystem::path home =
        options.dataHome.empty() ? vantis::model::AppDataFolder() : options.dataHome;
    std::string error;
    // Photos of an earlier capture must not stand in for missing ones, and
    // nothing outside the image folder may be touched: an unsafe folder ends
    // the capture before any photo.
    if (!EmptyImageFolder(home, options.vendorWord, camera.GetImagePath(), &error)) {
        capture.Fail();
        if (failure) *failure = CaptureFailure::ImageFolder;
        return Outcome::Failed;
    }
    const PatternInfo info = engine.patternInfo(false, doc.PatternType());
    const Outcome outcome = capture.Run(info);
    if (failure) *failure = capture.failure;
    return outcome;
}

}  // namespace

Outcome RunCapture(VantisAuto::CDoc& doc, PhotoCamera& camera, Reporter& reporter, const StopRequest& stop,
                   const EngineCalls& engine, const CaptureOptions& options, CaptureFailure* failure) {
    return RunCaptureOf(doc, camera, reporter, stop, engine, options, failure, false);
}

Outcome CaptureBoundaryPhotos(VantisAuto::CDoc& doc, PhotoCamera& camera, Reporter& reporter,
                              const StopRequest& stop, const EngineCalls& engine,
                              const CaptureOptions& options, CaptureFailure* failure) {
    return RunCaptureOf(doc, camera, reporter, stop, engine, options, failure, true);
}

}  // namespace vantis::calibration
