#include "calibration/auto_tune.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "calibration/image_folder.h"
#include "dvOrvelAuto.h"
#include "vantis/delays.h"
#include "vantis/messages/calibration_messages.h"
#include "vantis/model/doc_lock.h"

namespace vantis::calibration {

using VantisAuto::DocLock;
using VantisAuto::DocumentLock;

bool CombineVerdicts(const std::vector<int>& verdicts, int* combined) {
    int zeros = 0;
    std::vector<int> dark, bright;
    for (int v : verdicts) {
        if (v == 1 || v == 2)
            dark.push_back(v);
        else if (v == 3 || v == 4)
            bright.push_back(v);
        else
            ++zeros;
    }
    *combined = 0;
    if (!dark.empty() && !bright.empty()) {
        const bool slightDark = std::find(dark.begin(), dark.end(), 1) != dark.end();
        const bool slightBright = std::find(bright.begin(), bright.end(), 3) != bright.end();
        return slightDark && slightBright;  // a slight one of each side counts as acceptable
    }
    if (zeros == 0 && !dark.empty())
        *combined = *std::max_element(dark.begin(), dark.end());
    else if (zeros == 0 && !bright.empty())
        *combined = *std::max_element(bright.begin(), bright.end());
    return true;
}

void AdjustForVerdict(TuneState& s, int v) {
    s.history.push_back(v);
    const int p = s.history.front();  // the oldest; v itself when it is the only one
    // Exposure values are log2 seconds (-5 is 1/32 s): a dark picture needs a
    // longer exposure (the value goes up), a bright one a shorter one.
    switch (v) {
        case 1:
            if (p == 3) ++s.divisor;
            s.gain += 25 / s.divisor;
            break;
        case 2:
            if (p == 4)
                s.gain += 25 / s.divisor;
            else
                s.exposure += 1;
            break;
        case 3:
            if (p == 1) ++s.divisor;
            s.gain += (-25) / s.divisor;
            break;
        case 4:
            if (p == 2) s.gain += 25 / s.divisor;
            s.exposure -= 1;
            break;
        default:
            break;
    }
    s.history.assign(1, v);
}

namespace {

// Where a slider of the property's range puts a value: the exposure slider
// runs over the magnitudes |maximum| .. |minimum|, the gain slider over minimum .. maximum.
long ExposureSliderPosition(const CameraPropertyState& exposure, long magnitude) {
    if (!exposure.supported) return magnitude;
    const long lo = std::min(std::labs(exposure.maximum), std::labs(exposure.minimum));
    const long hi = std::max(std::labs(exposure.maximum), std::labs(exposure.minimum));
    return std::clamp(magnitude, lo, hi);
}

long GainSliderPosition(const CameraPropertyState& gain, long value) {
    if (!gain.supported || gain.minimum > gain.maximum) return value;
    return std::clamp(value, static_cast<long>(gain.minimum), static_cast<long>(gain.maximum));
}

long MinimumGain(const CameraPropertyState& gain) {
    return gain.supported ? std::max(0L, static_cast<long>(gain.minimum)) : 0;
}

// The most negative exposure value the slider reaches.
long ShortestExposure(const CameraPropertyState& exposure) {
    if (!exposure.supported) return -11;
    return -std::max(std::labs(exposure.maximum), std::labs(exposure.minimum));
}

}  // namespace

AutoTuneResult RunAutoTune(VantisAuto::CDoc& doc, PhotoCamera& camera, Reporter& reporter,
                           const StopRequest& stop, const EngineCalls& engine,
                           const AutoTuneOptions& options) {
    AutoTuneResult result;
    camera.SetFilePrefixName(options.vendorWord);
    // The camera library writes into the image folder but never makes it.
    if (IsPlainFolderWord(options.vendorWord)) {
        std::error_code ec;
        std::filesystem::create_directories(camera.GetImagePath(), ec);
    }
    CDShowCameraData& record = camera.Properties();
    auto& gain = record.State(CameraProperty::Gain);
    auto& exposure = record.State(CameraProperty::Exposure);
    if (gain.supported) gain.value = gain.minimum;
    if (options.resetPictureProperties) {
        for (CameraProperty p : {CameraProperty::Contrast, CameraProperty::Brightness,
                                 CameraProperty::WhiteBalance, CameraProperty::Saturation}) {
            auto& state = record.State(p);
            if (state.supported) state.value = state.defaultValue;
        }
    }
    camera.ApplyProperties();

    int number = options.firstPhoto;
    TuneState tune;
    tune.exposure = exposure.value;
    tune.gain = gain.value;
    result.end = AutoTuneResult::End::PassLimit;
    for (;;) {
        if (stop.Requested()) {
            result.end = AutoTuneResult::End::Stopped;
            break;
        }
        // The values chosen by the last adjustment reach the camera here.
        const long p = ExposureSliderPosition(exposure, std::labs(tune.exposure));
        camera.SetExposure(-p);
        exposure.value = static_cast<std::int32_t>(-p);
        tune.exposure = -p;
        const long q = GainSliderPosition(gain, tune.gain);
        camera.SetGain(q);
        gain.value = static_cast<std::int32_t>(q);
        tune.gain = q;

        std::vector<int> verdicts;
        int v = 0;
        bool stopped = false;
        // A photo after a command: settled, or the camera's own fixed wait.
        // A photo that was not saved ends the run: judging a missing photo would
        // only blame the projectors' brightness for a camera that is gone.
        auto photograph = [&](int photo) {
            PhotoResult taken = PhotoResult::Saved;
            if (options.photoWait == PhotoWait::Fixed)
                taken = camera.TakePhoto(photo) == 1 ? PhotoResult::Saved : PhotoResult::NotSaved;
            else
                taken = camera.TakeSettledPhoto(photo, vantis::delays::Scaled(vantis::delays::kPhotoSettle));
            if (taken == PhotoResult::Saved) return true;
            const bool gone = taken == PhotoResult::NotSaved;
            reporter.Error(meridan::Messages().Text(gone ? meridan::msg::kCaptureFailed
                                                         : meridan::msg::kPictureNeverSettled));
            result.end = gone ? AutoTuneResult::End::CameraLost : AutoTuneResult::End::NeverSettled;
            stopped = true;
            return false;
        };
        {
            DocLock lock(DocumentLock());
            // The first pass blanks projectors that showed something: the picture must
            // change first. Later passes find them blanked already, and the new exposure
            // and gain are in the camera when the calls return: any still picture is right.
            if (result.passes == 0) camera.MarkPicture();
            for (auto& c : doc.m_channels) dvOrvelAutoImageBlank(c->m_hLink);
            photograph(number++);
            const std::string black = camera.LastPhotoPath();
            ExposureVerdict verdict = 0;
            for (auto& c : doc.m_channels) {
                if (stop.Requested()) {
                    stopped = true;
                    break;
                }
                if (stopped) break;
                camera.MarkPicture();
                dvOrvelAutoImageUnBlank(c->m_hLink);
                dvOrvelAutoDisplaySolidColor(c->m_hLink, 0xFFFFFF);
                if (!photograph(number++)) break;
                dvOrvelAutoClearSolidColor(c->m_hLink);
                dvOrvelAutoImageBlank(c->m_hLink);
                // A failed judgement leaves the verdict as it was: the previous channel's, or 0.
                engine.autoTune(black, camera.LastPhotoPath(), &verdict);
                verdicts.push_back(verdict);
            }
            if (stopped) {
                if (result.end != AutoTuneResult::End::NeverSettled &&
                    result.end != AutoTuneResult::End::CameraLost)
                    result.end = AutoTuneResult::End::Stopped;
            } else if (!CombineVerdicts(verdicts, &v)) {
                reporter.Error(meridan::Messages().Text(meridan::msg::kAutoTuneFailed));
                result.end = AutoTuneResult::End::CombineFailed;
                stopped = true;
            } else {
                if (v != 0) AdjustForVerdict(tune, v);
                // Slightly bright with the gain already at its lowest: the
                // picture can only get darker by a shorter exposure.
                if (v == 3 && tune.gain < MinimumGain(gain) && tune.exposure > ShortestExposure(exposure)) {
                    tune.gain = MinimumGain(gain);
                    tune.exposure -= 1;
                }
                exposure.value = static_cast<std::int32_t>(tune.exposure);
                gain.value = static_cast<std::int32_t>(tune.gain);
                if (tune.gain < 0) {
                    gain.value = 0;
                    tune.gain = 0;
                    result.end = AutoTuneResult::End::NegativeGain;
                    stopped = true;
                }
            }
        }
        ++result.passes;
        if (stopped) break;
        if (v == 0) {
            result.end = AutoTuneResult::End::Accepted;
            break;
        }
        if (result.passes >= options.maxPasses) break;
    }
    {
        DocLock lock(DocumentLock());
        for (auto& c : doc.m_channels) dvOrvelAutoImageUnBlank(c->m_hLink);
    }
    result.nextPhoto = number;
    return result;
}

}  // namespace vantis::calibration
