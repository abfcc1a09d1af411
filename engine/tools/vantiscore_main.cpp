// vantiscore: the engine's operations from the command line, answers as JSON.
//
//   vantiscore pattern-info [--board] TYPE
//   vantiscore threshold PHOTO_A PHOTO_B [--threshold T] [--out FILE]
//   vantiscore autotune BLACK WHITE
//   vantiscore warp JOB.json
//   vantiscore boundary JOB.json
//
// A failure result prints its JSON and a message on standard error and exits
// 1; unreadable or malformed input exits 2.
#include <filesystem>
#include <iostream>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <opencv2/imgcodecs.hpp>

#include "VantisCore.h"
#include "boundary_job.h"
#include "warp_job.h"

namespace {

using nlohmann::json;

int PatternInfoCommand(bool board, int type) {
    const PatternInfo p = AutoWarpGetPatternInfo(board, type);
    const json answer = {{"width", p.width},
                         {"height", p.height},
                         {"gridColumns", p.gridColumns},
                         {"gridRows", p.gridRows},
                         {"blockColumns", p.blockColumns},
                         {"blockRows", p.blockRows},
                         {"pitchX", p.pitchX},
                         {"pitchY", p.pitchY},
                         {"blockWidth", p.blockWidth},
                         {"blockHeight", p.blockHeight},
                         {"centreColumn", p.centreColumn},
                         {"centreRow", p.centreRow},
                         {"centreColumnEnd", p.centreColumnEnd},
                         {"centreRowEnd", p.centreRowEnd}};
    std::cout << answer.dump() << '\n';
    return 0;
}

int ThresholdCommand(const std::string& a, const std::string& b, const std::optional<double>& fixed,
                     const std::string& out) {
    cv::Mat difference;
    double threshold = fixed.value_or(0.0);
    const int result = AutoWarpCalThreshold(a, b, &difference, &threshold, fixed ? 1 : 0);
    std::cout << json{{"result", result}, {"threshold", threshold}}.dump() << '\n';
    if (result != 0) {
        std::cerr << "vantiscore: cannot read " << a << " or " << b << " as a photo\n";
        return 1;
    }
    if (!out.empty()) {
        bool written = false;
        try {
            written = cv::imwrite(out, difference);
        } catch (const cv::Exception&) {
        }
        if (!written) {
            std::cerr << "vantiscore: cannot write the difference image to " << out << '\n';
            return 2;
        }
    }
    return 0;
}

int AutoTuneCommand(const std::string& black, const std::string& white) {
    ExposureVerdict verdict = -1;
    const int result = AutoTune(black, white, &verdict);
    json answer = {{"result", result}, {"verdict", nullptr}};
    if (result == 0) answer["verdict"] = verdict;
    std::cout << answer.dump() << '\n';
    if (result != 0) {
        std::cerr << "vantiscore: cannot read " << black << " or " << white << " as a photo\n";
        return 1;
    }
    return 0;
}

int WarpCommand(const std::string& jobPath) {
    const auto text = vantiscore::tool::ReadJobText(jobPath);
    if (!text) {
        std::cerr << "vantiscore: cannot read the job file " << jobPath << '\n';
        return 2;
    }
    std::string error;
    const auto job =
        vantiscore::tool::ParseWarpJob(*text, std::filesystem::absolute(jobPath).parent_path(), &error);
    if (!job) {
        std::cerr << "vantiscore: malformed job file " << jobPath << ": " << error << '\n';
        return 2;
    }
    std::int32_t photoSize[2] = {0, 0};
    std::vector<WarpGrid> warps;
    std::vector<ChannelFigures> figures;
    const WarpResult result =
        AutoDoImageWarpingEx(job->blackPhoto, job->whitePhotos, job->centrePhotos, job->gridPhotos,
                             job->thresholds, job->patternType, job->channelCount, job->warpingMode,
                             job->layoutColumns, job->layoutRows, job->overlapX, job->overlapY,
                             job->stackCount, job->boundary, job->options, photoSize, &warps, &figures);
    std::cout << vantiscore::tool::WarpResultJson(result, photoSize, warps, figures) << '\n';
    if (result.status != kWarpOk) {
        static const char* const kReasons[] = {"",
                                               "a photo cannot be read",
                                               "the job does not fit its channel count",
                                               "the projected area touches the photo edge",
                                               "a centre photo does not show exactly four blobs",
                                               "the blocks do not form one consistent grid"};
        const char* reason = result.status > 0 && result.status < 6 ? kReasons[result.status] : "failure";
        std::cerr << "vantiscore: warp failed with status " << result.status << " on channel "
                  << result.channel << ": " << reason << '\n';
        return 1;
    }
    return 0;
}

int BoundaryCommand(const std::string& jobPath) {
    const auto text = vantiscore::tool::ReadJobText(jobPath);
    if (!text) {
        std::cerr << "vantiscore: cannot read the job file " << jobPath << '\n';
        return 2;
    }
    std::string error;
    const auto job =
        vantiscore::tool::ParseBoundaryJob(*text, std::filesystem::absolute(jobPath).parent_path(), &error);
    if (!job) {
        std::cerr << "vantiscore: malformed job file " << jobPath << ": " << error << '\n';
        return 2;
    }
    BoundaryGrid boundary;
    const BoundaryResult result =
        AutoWarpFindBoundary(job->blackPhoto, job->whitePhotos, job->patternType, job->channelCount,
                             job->warpingMode, job->layoutColumns, job->layoutRows, job->overlapX,
                             job->overlapY, job->stackCount, job->keepAspect, &boundary);
    std::cout << vantiscore::tool::BoundaryResultJson(result, boundary) << '\n';
    if (result.status != kBoundaryOk) {
        std::cerr << "vantiscore: boundary failed with status " << result.status;
        if (result.channel > 0) std::cerr << " on channel " << result.channel;
        std::cerr << ": " << vantiscore::tool::BoundaryStatusText(result.status) << '\n';
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"VantisCore auto-warp engine"};
    app.require_subcommand(1);

    bool board = false;
    int type = 0;
    auto* info = app.add_subcommand("pattern-info", "print the test-pattern geometry of a panel type");
    info->add_flag("--board", board, "engine-board grid form (129 x 65)");
    info->add_option("TYPE", type, "pattern type 0..4")->required();

    std::string photoA, photoB, out;
    std::optional<double> fixed;
    auto* threshold = app.add_subcommand("threshold", "binarise the difference of two photos");
    threshold->add_option("PHOTO_A", photoA)->required();
    threshold->add_option("PHOTO_B", photoB)->required();
    threshold->add_option("--threshold", fixed, "apply this threshold instead of choosing one");
    threshold->add_option("--out", out, "write the difference image to this file");

    std::string black, white;
    auto* autotune = app.add_subcommand("autotune", "judge the exposure of a white-field photo");
    autotune->add_option("BLACK", black)->required();
    autotune->add_option("WHITE", white)->required();

    std::string jobPath;
    auto* warp = app.add_subcommand("warp", "detect the patterns and compute the warps of a job");
    warp->add_option("JOB", jobPath, "job file (JSON)")->required();

    std::string boundaryJobPath;
    auto* boundary =
        app.add_subcommand("boundary", "compute the target outline from the black and white photos");
    boundary->add_option("JOB", boundaryJobPath, "job file (JSON, the warp job's shape)")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    if (*info) return PatternInfoCommand(board, type);
    if (*threshold) return ThresholdCommand(photoA, photoB, fixed, out);
    if (*autotune) return AutoTuneCommand(black, white);
    if (*boundary) return BoundaryCommand(boundaryJobPath);
    return WarpCommand(jobPath);
}
