// The MPCDI export read back without the exporter's code (mpcdi_reader.h):
// cfatool writes the container, the test checks it against the warps and the
// board's blend ramps.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mpcdi_reader.h"
#include "vantis/model/document.h"
#include "vantis/model/project_file.h"
#include "vantis/model/timing.h"

namespace {

namespace fs = std::filesystem;
using namespace vantis::mpcdi::testing;

constexpr int kW = 1920, kH = 1080, kOverlap = 320;
constexpr int kColumns = 121, kRows = 69;  // the engine's forward grid of a 1920 x 1080 panel

class Folder {
  public:
    Folder() {
        std::string pattern = (fs::temp_directory_path() / "mpcdi-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    fs::path operator/(const std::string& name) const { return path_ / name; }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

int RunCfatool(const std::string& arguments, std::string* errors = nullptr) {
    return RunProgram(CFATOOL, arguments, errors);
}

// A blended pair of 1920 x 1080 projectors side by side, 320 pixels overlap.
bool WritePairProject(const fs::path& path, int channels) {
    VantisAuto::CDoc doc;
    for (const auto& choice : vantis::model::kWizardTimings)
        if (vantis::model::TimingOf(choice.timing).width == kW &&
            vantis::model::TimingOf(choice.timing).height == kH)
            doc.m_nTiming = choice.timing;
    for (int i = 0; i < 14; ++i)
        if (vantis::model::LayoutOf(i).columns == 2 && vantis::model::LayoutOf(i).rows == 1)
            doc.m_nLayout = i;
    doc.m_nSolution = 1;
    doc.m_bBlendSolution = 1;
    doc.m_overlapPixels[0] = kOverlap;
    doc.m_overlapPixels[1] = 0;
    for (int c = 0; c < channels; ++c) {
        VantisAuto::CChannel* channel = doc.AddChannel(0x7F00070Bu + static_cast<std::uint32_t>(c));
        channel->m_nColumn = c + 1;
        channel->m_nRow = 1;
        channel->m_nSlot = c;
    }
    doc.m_nChannelCount = channels;
    std::string error;
    return vantis::model::SaveProjectFile(doc, path, &error);
}

double NodeX(int j) {
    return j == kColumns - 1 ? kW : 16.0 * j;
}
double NodeY(int i) {
    return i == kRows - 1 ? kH : 16.0 * i;
}

// A smooth calibrated-looking warp: picture position -> panel pixel, a little
// keystone and bow, different per channel.
std::array<double, 2> Forward(int channel, double x, double y) {
    const double k = channel == 0 ? 1.0 : -1.0;
    return {30 + 0.955 * x + k * 1.5e-5 * x * y + 2e-6 * y * y,
            22 + 0.96 * y + k * 0.012 * x - 1.2e-5 * x * x / 4};
}

// The warps of the pair, optionally with the channels they belong to (as the
// calibration keeps them beside the configuration) or fewer grids than channels.
void WriteWarps(const fs::path& path, bool poison = false, const std::string& channels = {}, int grids = 2) {
    std::ofstream out(path);
    out << "{" << (channels.empty() ? "" : "\"channels\": " + channels + ", ") << "\"warps\": [";
    for (int c = 0; c < grids; ++c) {
        out << (c ? "," : "") << "[";
        for (int i = 0; i < kRows; ++i)
            for (int j = 0; j < kColumns; ++j) {
                const auto p = Forward(c, NodeX(j), NodeY(i));
                out << (i || j ? "," : "") << "[" << p[0] << ", "
                    << (poison && c == 1 && i == 5 ? std::string("null") : std::to_string(p[1])) << "]";
            }
        out << "]";
    }
    out << "]}";
}

// Forward warp of a channel at any picture position, bilinear between the nodes.
std::array<double, 2> ForwardInterpolated(int channel, double x, double y) {
    const int j = std::min(static_cast<int>(x / 16), kColumns - 2);
    const int i = std::min(static_cast<int>(y / 16), kRows - 2);
    const double s = (x - NodeX(j)) / (NodeX(j + 1) - NodeX(j)),
                 t = (y - NodeY(i)) / (NodeY(i + 1) - NodeY(i));
    std::array<double, 2> out{};
    const auto a = Forward(channel, NodeX(j), NodeY(i)), b = Forward(channel, NodeX(j + 1), NodeY(i));
    const auto c = Forward(channel, NodeX(j), NodeY(i + 1)), d = Forward(channel, NodeX(j + 1), NodeY(i + 1));
    for (int q = 0; q < 2; ++q)
        out[q] = (1 - s) * (1 - t) * a[q] + s * (1 - t) * b[q] + (1 - s) * t * c[q] + s * t * d[q];
    return out;
}

TEST(MpcdiExport, ReadsBackAgainstTheWarpsAndTheBlendRamps) {
    Folder folder;
    ASSERT_TRUE(WritePairProject(folder / "pair.cfa", 2));
    WriteWarps(folder / "warps.json");
    std::string errors;
    ASSERT_EQ(RunCfatool("export-mpcdi " + (folder / "pair.cfa").string() + " " +
                             (folder / "out.mpcdi").string() + " --warps " + (folder / "warps.json").string(),
                         &errors),
              0)
        << errors;
    const auto files = ReadZip(folder / "out.mpcdi");
    ASSERT_TRUE(files.count("mpcdi.xml"));
    const std::string xml(files.at("mpcdi.xml").begin(), files.at("mpcdi.xml").end());
    EXPECT_NE(xml.find("profile=\"2d\""), std::string::npos);

    std::smatch m;
    ASSERT_TRUE(std::regex_search(xml, m, std::regex("<buffer[^>]*>")));
    const std::string buffer = m[0];
    const double bufferW = std::stod(Attribute(buffer, "Xresolution")),
                 bufferH = std::stod(Attribute(buffer, "Yresolution"));
    EXPECT_EQ(bufferW, 2 * kW - kOverlap);
    EXPECT_EQ(bufferH, kH);

    std::vector<std::string> regions;
    const std::regex regionElement("<region[^>]*>");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), regionElement); it != std::sregex_iterator();
         ++it)
        regions.push_back((*it)[0]);
    ASSERT_EQ(regions.size(), 2u);
    std::vector<Pfm> warps(2);
    std::vector<Grey> alphas(2);
    for (int c = 0; c < 2; ++c) {
        const std::string& region = regions[static_cast<size_t>(c)];
        const std::string id = Attribute(region, "id");
        EXPECT_EQ(Attribute(region, "Xresolution"), "1920");
        EXPECT_NEAR(std::stod(Attribute(region, "x")), c * (kW - kOverlap) / bufferW, 1e-7);
        EXPECT_NEAR(std::stod(Attribute(region, "xsize")), kW / bufferW, 1e-7);
        // The region's fileset names its two files, and both are in the container.
        ASSERT_TRUE(
            std::regex_search(xml, m, std::regex("<fileset region=\"" + id + "\">([\\s\\S]*?)</fileset>")));
        const std::string fileset = m[1];
        std::smatch path;
        ASSERT_TRUE(
            std::regex_search(fileset, path, std::regex("<geometryWarpFile>\\s*<path>([^<]+)</path>")));
        ASSERT_TRUE(files.count(path[1])) << path[1];
        ASSERT_TRUE(ParsePfm(files.at(path[1]), &warps[static_cast<size_t>(c)]));
        ASSERT_TRUE(std::regex_search(fileset, path, std::regex("<alphaMap>\\s*<path>([^<]+)</path>")));
        ASSERT_TRUE(files.count(path[1])) << path[1];
        ASSERT_TRUE(DecodePng(files.at(path[1]), &alphas[static_cast<size_t>(c)]));
        EXPECT_EQ(alphas[static_cast<size_t>(c)].width, kW);
        EXPECT_NE(fileset.find("<gammaEmbedded>1</gammaEmbedded>"), std::string::npos);
    }

    // Geometry: at every warp node inside the panel, the PFM (bilinear over its
    // regular grid) gives back the node's buffer position.
    for (int c = 0; c < 2; ++c) {
        const Pfm& pfm = warps[static_cast<size_t>(c)];
        double worst = 0;
        int checked = 0;
        for (int i = 0; i < kRows; ++i)
            for (int j = 0; j < kColumns; ++j) {
                const auto p = Forward(c, NodeX(j), NodeY(i));
                const double gx = p[0] / kW * (pfm.width - 1), gy = p[1] / kH * (pfm.height - 1);
                const int x0 = static_cast<int>(std::floor(gx)), y0 = static_cast<int>(std::floor(gy));
                if (x0 < 0 || y0 < 0 || x0 + 1 >= pfm.width || y0 + 1 >= pfm.height) continue;
                const auto a = pfm.At(x0, y0), b = pfm.At(x0 + 1, y0), d = pfm.At(x0, y0 + 1),
                           e = pfm.At(x0 + 1, y0 + 1);
                if (a[0] < 0 || b[0] < 0 || d[0] < 0 || e[0] < 0) continue;  // the panel shows nothing there
                const double fx = gx - x0, fy = gy - y0;
                double buffer[2];
                for (int q = 0; q < 2; ++q)
                    buffer[q] = (1 - fy) * ((1 - fx) * a[q] + fx * b[q]) + fy * ((1 - fx) * d[q] + fx * e[q]);
                const double x = buffer[0] * bufferW - c * (kW - kOverlap), y = buffer[1] * bufferH;
                worst = std::max(worst, std::hypot(x - NodeX(j), y - NodeY(i)));
                ++checked;
            }
        EXPECT_GT(checked, kColumns * kRows * 3 / 4) << c;
        EXPECT_LT(worst, 0.01) << "channel " << c + 1;
    }

    // Blend: across the overlap the two alpha maps, each sampled where its
    // projector shows the buffer point, sum to one.
    double worstSum = 0;
    for (double by = 40; by < kH - 40; by += 97)
        for (double bx = kW - kOverlap + 0.5; bx < kW; bx += 7) {
            double sum = 0;
            for (int c = 0; c < 2; ++c) {
                const auto p = ForwardInterpolated(c, bx - c * (kW - kOverlap), by);
                sum += alphas[static_cast<size_t>(c)].At(p[0], p[1]);
            }
            worstSum = std::max(worstSum, std::fabs(sum - 1.0));
        }
    EXPECT_LT(worstSum, 0.02);
    // Outside the overlap each projector shows its picture at full weight.
    const auto left = ForwardInterpolated(0, 400, 500);
    EXPECT_NEAR(alphas[0].At(left[0], left[1]), 1.0, 1e-9);
}

TEST(MpcdiExport, UncalibratedChannelsGetTheIdentityAndSaySo) {
    Folder folder;
    ASSERT_TRUE(WritePairProject(folder / "pair.cfa", 2));
    std::string errors;
    ASSERT_EQ(RunCfatool("export-mpcdi " + (folder / "pair.cfa").string() + " " +
                             (folder / "id.mpcdi").string() + " --alpha-gamma 2.2",
                         &errors),
              0);
    EXPECT_NE(errors.find("channel 1 has no calibrated warp"), std::string::npos) << errors;
    EXPECT_NE(errors.find("channel 2 has no calibrated warp"), std::string::npos) << errors;
    const auto files = ReadZip(folder / "id.mpcdi");
    ASSERT_EQ(files.size(), 5u);
    Pfm pfm;
    ASSERT_TRUE(ParsePfm(files.at("r2/geometry.pfm"), &pfm));
    // Identity: the panel's far corner shows the buffer's far corner.
    EXPECT_NEAR(pfm.At(pfm.width - 1, pfm.height - 1)[0], 1.0, 1e-6);
    EXPECT_NEAR(pfm.At(0, 0)[0], double(kW - kOverlap) / (2 * kW - kOverlap), 1e-6);
    const std::string xml(files.at("mpcdi.xml").begin(), files.at("mpcdi.xml").end());
    EXPECT_NE(xml.find("<gammaEmbedded>2.2</gammaEmbedded>"), std::string::npos);
}

// The channels of the pair project as the calibration names them.
std::string PairChannels(const std::string& second = "127.0.7.12", int height = kH) {
    std::string out = "[";
    for (const std::string& address : {std::string("127.0.7.11"), second})
        out += std::string(out.size() > 1 ? "," : "") + "{\"address\": \"" + address + "\", \"panel\": [" +
               std::to_string(kW) + ", " + std::to_string(height) + "], \"grid\": [" +
               std::to_string(kColumns) + ", " + std::to_string(kRows) + "]}";
    return out + "]";
}

TEST(MpcdiExport, WarpsKeptBesideTheConfigurationAreUsedOnlyWhenTheyAreOfItsChannels) {
    Folder folder;
    ASSERT_TRUE(WritePairProject(folder / "pair.cfa", 2));
    WriteWarps(folder / "given.json");
    std::string errors;
    ASSERT_EQ(
        RunCfatool("export-mpcdi " + (folder / "pair.cfa").string() + " " +
                       (folder / "given.mpcdi").string() + " --warps " + (folder / "given.json").string(),
                   &errors),
        0)
        << errors;
    const auto given = ReadZip(folder / "given.mpcdi");

    // The same warps kept beside the configuration: taken without being named.
    WriteWarps(folder / "Warps.json", false, PairChannels());
    ASSERT_EQ(
        RunCfatool("export-mpcdi " + (folder / "pair.cfa").string() + " " + (folder / "kept.mpcdi").string(),
                   &errors),
        0)
        << errors;
    EXPECT_EQ(errors.find("identity"), std::string::npos) << errors;
    const auto kept = ReadZip(folder / "kept.mpcdi");
    ASSERT_EQ(kept.size(), 5u);
    for (const auto& [name, bytes] : given) EXPECT_TRUE(kept.count(name) && kept.at(name) == bytes) << name;

    // Warps of another wall (another projector, another panel size, a damaged
    // file) are not taken: identity for every channel, and why.
    struct Other {
        const char* what;
        std::string channels;
        std::string message;
    };
    for (const Other& other : {Other{"another projector", PairChannels("127.0.7.99"), "127.0.7.99"},
                               Other{"another panel", PairChannels("127.0.7.12", 1200), "1920 x 1200"},
                               Other{"damaged", "[{}, {}]", "lacks its address"}}) {
        WriteWarps(folder / "Warps.json", false, other.channels);
        const fs::path out = folder / "other.mpcdi";
        ASSERT_EQ(RunCfatool("export-mpcdi " + (folder / "pair.cfa").string() + " " + out.string(), &errors),
                  0)
            << other.what << ": " << errors;
        EXPECT_NE(errors.find("calibrated warps not used"), std::string::npos)
            << other.what << ": " << errors;
        EXPECT_NE(errors.find(other.message), std::string::npos) << other.what << ": " << errors;
        EXPECT_NE(errors.find("channel 2 has no calibrated warp"), std::string::npos) << other.what;
        Pfm pfm;
        ASSERT_TRUE(ParsePfm(ReadZip(out).at("r1/geometry.pfm"), &pfm));
        EXPECT_NEAR(pfm.At(0, 0)[0], 0.0, 1e-6)
            << other.what;  // identity: the panel's corner is the buffer's
        fs::remove(out);
    }
}

TEST(MpcdiExport, BadInputFailsClearlyAndLeavesNoFile) {
    Folder folder;
    ASSERT_TRUE(WritePairProject(folder / "pair.cfa", 2));
    ASSERT_TRUE(WritePairProject(folder / "empty.cfa", 0));
    WriteWarps(folder / "poisoned.json", true);
    WriteWarps(folder / "one.json", false, {}, 1);
    WriteWarps(folder / "others.json", false, PairChannels("127.0.7.99"));
    struct Case {
        const char* what;
        std::string arguments;
        std::string message;
        int exit;
    };
    const std::string out = (folder / "out.mpcdi").string();
    const std::vector<Case> cases{
        {"no channels", (folder / "empty.cfa").string() + " " + out, "no channels", 1},
        {"non-finite warp",
         (folder / "pair.cfa").string() + " " + out + " --warps " + (folder / "poisoned.json").string(),
         "not a finite number", 1},
        {"warps for fewer channels",
         (folder / "pair.cfa").string() + " " + out + " --warps " + (folder / "one.json").string(),
         "holds 1 warps for 2 channels", 1},
        {"warps of other channels",
         (folder / "pair.cfa").string() + " " + out + " --warps " + (folder / "others.json").string(),
         "does not fit", 1},
        {"unreadable warps",
         (folder / "pair.cfa").string() + " " + out + " --warps " + (folder / "none.json").string(),
         "none.json", 1},
        {"unwritable output",
         (folder / "pair.cfa").string() + " " + (folder / "missing" / "out.mpcdi").string(), "cannot write",
         1},
        {"unreadable project", (folder / "none.cfa").string() + " " + out, "none.cfa", 1},
        {"unknown profile", (folder / "pair.cfa").string() + " " + out + " --profile 3d", "profile", 2},
        {"bad gamma", (folder / "pair.cfa").string() + " " + out + " --alpha-gamma -1", "alpha-gamma", 2},
    };
    for (const Case& c : cases) {
        std::string errors;
        EXPECT_EQ(RunCfatool("export-mpcdi " + c.arguments, &errors), c.exit) << c.what;
        EXPECT_NE(errors.find(c.message), std::string::npos) << c.what << ": " << errors;
        EXPECT_FALSE(fs::exists(out)) << c.what;
    }
    // Nothing half-written left beside the output either.
    for (const auto& entry : fs::directory_iterator(folder.path()))
        EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos) << entry.path();
}

}  // namespace
