#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "project_json.h"
#include "vantis/model/config.h"
#include "vantis/model/project_file.h"

namespace fs = std::filesystem;
namespace vm = vantis::model;

namespace {

struct Run {
    int exitCode;
    std::string out;
};

Run RunTool(const std::string& args, const fs::path& dir) {
    // cfatool is built beside the test programs.
    const auto tool = vm::ExecutableFolder() / "cfatool";
    const auto outFile = dir / "out.txt";
    const std::string command = tool.string() + " " + args + " > " + outFile.string() + " 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream in(outFile);
    std::stringstream text;
    text << in.rdbuf();
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
}

}  // namespace

TEST(ProjectJson, DumpAndWriteGiveTheSameBytes) {
    VantisAuto::CDoc doc;
    doc.m_bCalibrated = true;
    doc.m_nTiming = 4;
    doc.m_camera.m_name = L"HD Pro Webcam C920";
    doc.m_camera.State(CameraProperty::Exposure).value = -6;
    doc.m_boundary.m_tableC.y[139][80] = 12.5f;
    doc.m_boundary.m_tableA.x[1][2] = std::bit_cast<float>(0x7FC00001u);  // a NaN with payload
    doc.m_boundary.m_rects[2][16][0] = -3.0f;
    auto* c = doc.AddChannel(0xC0A80017);
    c->m_strWhitePhoto = "/p/w\xC3\xA9.bmp";
    c->m_threshold = 37.25;

    const auto json = vm::ProjectToJson(doc);
    EXPECT_EQ(json["channels"][0]["address"], "192.168.0.23");
    EXPECT_EQ(json["camera"]["values"]["exposure"], -6);
    EXPECT_EQ(json["boundary"]["tableA"]["x"][1][2], "0x7FC00001");
    VantisAuto::CDoc back;
    std::string error;
    ASSERT_TRUE(vm::ProjectFromJson(nlohmann::json::parse(json.dump()), back, &error)) << error;
    EXPECT_EQ(vm::SaveProjectBytes(back), vm::SaveProjectBytes(doc));
}

TEST(ProjectJson, WrongShapesAreNamed) {
    VantisAuto::CDoc doc;
    std::string error;
    EXPECT_FALSE(vm::ProjectFromJson(nlohmann::json::parse(R"({"timing": "eight"})"), doc, &error));
    EXPECT_NE(error.find("timing"), std::string::npos) << error;
    VantisAuto::CDoc doc2;
    EXPECT_FALSE(vm::ProjectFromJson(nlohmann::json::parse(R"({"channels": [{"address": "192.168.0.300"}]})"),
                                     doc2, &error));
    EXPECT_NE(error.find("channels[0].address"), std::string::npos) << error;
    VantisAuto::CDoc doc3;
    EXPECT_FALSE(vm::ProjectFromJson(nlohmann::json::parse(R"({"boundary": {"tableA": {"x": [[1]]}}})"), doc3,
                                     &error));
    EXPECT_NE(error.find("boundary.tableA.x"), std::string::npos) << error;
    // A minimal project: the rest takes the defaults.
    VantisAuto::CDoc doc4;
    ASSERT_TRUE(vm::ProjectFromJson(
        nlohmann::json::parse(R"({"channels": [{"address": "127.0.0.61", "slot": 1}]})"), doc4, &error))
        << error;
    EXPECT_EQ(doc4.m_channels[0]->m_dwIp, 0x7F00003Du);
    EXPECT_EQ(doc4.m_nChannelCount, 1);
}

TEST(Cfatool, DumpWriteAndClearFailures) {
    const fs::path dir = fs::path(::testing::TempDir()) / "cfatool_cli";
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "in.json")
        << R"({"timing": 0, "channels": [{"address": "127.0.0.62", "gridPhoto": "g.bmp"}]})";
    auto run = RunTool("write " + (dir / "in.json").string() + " " + (dir / "p.cfa").string(), dir);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    run = RunTool("dump " + (dir / "p.cfa").string(), dir);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["channels"][0]["gridPhoto"], "g.bmp");
    EXPECT_EQ(json["timing"], 0);

    std::ofstream(dir / "short.cfa", std::ios::binary) << "\x01\x01";
    run = RunTool("dump " + (dir / "short.cfa").string(), dir);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("ends early"), std::string::npos) << run.out;
    run = RunTool("dump " + (dir / "none.cfa").string(), dir);
    EXPECT_EQ(run.exitCode, 1);
    std::ofstream(dir / "bad.json") << "{";
    run = RunTool("write " + (dir / "bad.json").string() + " " + (dir / "q.cfa").string(), dir);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(fs::exists(dir / "q.cfa"));
    fs::remove_all(dir);
}

TEST(Cfatool, DumpRefusesWhatIsNoRegularFileAndShowsDamagedProjects) {
    const fs::path dir = fs::path(::testing::TempDir()) / "cfatool_hostile";
    fs::remove_all(dir);
    fs::create_directories(dir);
    // A folder, a process's memory, an endless device: each an error and exit 1, no abort.
    for (const std::string& file : {dir.string(), std::string("/proc/self/mem"), std::string("/dev/zero")}) {
        const auto run = RunTool("dump " + file, dir);
        EXPECT_EQ(run.exitCode, 1) << file << ": " << run.out;
        EXPECT_NE(run.out.find("cfatool: cannot read project"), std::string::npos) << run.out;
    }
    // A damaged but complete project is shown, with the reason, for repair.
    std::ofstream(dir / "in.json")
        << R"({"timing": 0, "gamma": 55.0, "channels": [{"address": "127.0.0.62"}]})";
    auto run = RunTool("write " + (dir / "in.json").string() + " " + (dir / "p.cfa").string(), dir);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    run = RunTool("dump " + (dir / "p.cfa").string(), dir);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("\"gamma\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("damaged"), std::string::npos) << run.out;
    fs::remove_all(dir);
}

// cfatool reads and writes project files only: its dynamic section names no
// projector link, no engine and no OpenCV library.
TEST(Cfatool, NeedsNoLinkEngineOrVisionLibrary) {
    const fs::path dir = fs::path(::testing::TempDir()) / "cfatool_needed";
    fs::create_directories(dir);
    const auto tool = vm::ExecutableFolder() / "cfatool";
    const auto outFile = dir / "dynamic.txt";
    const std::string command = "readelf -d " + tool.string() + " > " + outFile.string() + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << "readelf could not read " << tool;
    std::ifstream in(outFile);
    std::string line;
    int needed = 0;
    while (std::getline(in, line)) {
        if (line.find("(NEEDED)") == std::string::npos) continue;
        ++needed;
        for (const char* library : {"dvOrvelAuto", "dvVantisPlus", "VantisCore", "opencv", "Oculet", "Qt"})
            EXPECT_EQ(line.find(library), std::string::npos) << line;
    }
    EXPECT_GT(needed, 0);  // the C++ runtime at least: the section was read
}
