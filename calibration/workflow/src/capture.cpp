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
        for (auto& c : doc_.m_channels) dvOrvelAutoImageBlank(c->m_hLink);
        camera_.TakePhoto(0);
        const std::string black = camera_.LastPhotoPath();
        for (auto& c : doc_.m_channels) c->m_strBlackPhoto = black;
        if (options_.checkPhotos && !PhotoExists(black)) {
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

            dvOrvelAutoImageUnBlank(c.m_hLink);
            dvOrvelAutoDisplaySolidColor(c.m_hLink, kWhite);
            if (!Photograph(n, &c.m_strWhitePhoto)) return Stopped();
            dvOrvelAutoClearSolidColor(c.m_hLink);
            dvOrvelAutoImageBlank(c.m_hLink);
            if (!Check(c, c.m_strWhitePhoto)) return Outcome::Failed;
            if (stop_.Requested()) return Stopped();

            dvOrvelAutoImageUnBlank(c.m_hLink);
            dvOrvelAutoMakeRectanglePattern(c.m_hLink, kWhite, p.blockWidth, p.blockHeight, p.pitchX, p.pitchY, 0, 0,
                                            p.centreColumn, p.centreColumnEnd, p.centreRow, p.centreRowEnd, 1, 1, 1);
            if (!Photograph(n + 1, &c.m_strCenterPhoto)) return Stopped();
            dvOrvelAutoClearImage(c.m_hLink);
            dvOrvelAutoImageBlank(c.m_hLink);
            if (!Check(c, c.m_strCenterPhoto)) return Outcome::Failed;
            if (stop_.Requested()) return Stopped();

            dvOrvelAutoImageUnBlank(c.m_hLink);
            dvOrvelAutoMakeRectanglePattern(c.m_hLink, kWhite, p.blockWidth, p.blockHeight, p.pitchX, p.pitchY, 0, 0,
                                            0, p.blockColumns + 1, 0, p.blockRows + 1, 1, 1, 1);
            if (!Photograph(n + 2, &c.m_strGridPhoto)) return Stopped();
            dvOrvelAutoClearImage(c.m_hLink);
            dvOrvelAutoImageBlank(c.m_hLink);
            if (!Check(c, c.m_strGridPhoto)) return Outcome::Failed;
        }
        RestoreAll();
        return Outcome::Done;
    }

    void Fail() { reporter_.Error(meridan::Messages().Text(meridan::msg::kCaptureFailed)); }

private:
    // The settling wait, then the photo; false when a stop came during the wait.
    bool Photograph(int number, std::string* path) {
        constexpr int kSlices = 10;  // the wait is cut so that a stop request is seen within a tenth of it
        for (int i = 0; i < kSlices; ++i) {
            if (stop_.Requested()) return false;
            vantis::delays::Sleep(vantis::delays::kPatternSettle / kSlices);
        }
        camera_.TakePhoto(number);
        *path = camera_.LastPhotoPath();
        return true;
    }

    bool Check(CChannel& c, const std::string& path) {
        if (!options_.checkPhotos || PhotoExists(path)) return true;
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

    VantisAuto::CDoc& doc_;
    PhotoCamera& camera_;
    Reporter& reporter_;
    const StopRequest& stop_;
    const CaptureOptions& options_;
};

}  // namespace

Outcome RunCapture(VantisAuto::CDoc& doc, PhotoCamera& camera, Reporter& reporter, const StopRequest& stop,
                   const EngineCalls& engine, const CaptureOptions& options) {
    Capture capture(doc, camera, reporter, stop, options);
    camera.SetFilePrefixName(options.vendorWord);
    const std::filesystem::path home =
        options.dataHome.empty() ? vantis::model::AppDataFolder() : options.dataHome;
    std::string error;
    // Photos of an earlier capture must not stand in for missing ones, and
    // nothing outside the image folder may be touched: an unsafe folder ends
    // the capture before any photo.
    if (!EmptyImageFolder(home, options.vendorWord, camera.GetImagePath(), &error)) {
        capture.Fail();
        return Outcome::Failed;
    }
    const PatternInfo info = engine.patternInfo(false, doc.PatternType());
    return capture.Run(info);
}

}  // namespace vantis::calibration
