#include "link/trace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace vantis::link {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(LinkTrace, RecordsAreUtf16LittleEndianWithATerminatingZero) {
    EXPECT_EQ(EncodeTraceRecord("A\n"), (Bytes{'A', 0, '\n', 0, 0, 0}));
    EXPECT_EQ(EncodeTraceRecord("\xC3\xA9"), (Bytes{0xE9, 0x00, 0, 0}));  // é
    EXPECT_EQ(EncodeTraceRecord("\xF0\x9F\x98\x80"),
              (Bytes{0x3D, 0xD8, 0x00, 0xDE, 0, 0}));                 // surrogate pair
    EXPECT_EQ(EncodeTraceRecord("\xC3"), (Bytes{0xFD, 0xFF, 0, 0}));  // cut sequence
    EXPECT_EQ(TraceLevel(), 0);                                       // the delivered build traces nothing
}

TEST(LinkTrace, FileLevelAppendsToTheTemporaryFolder) {
    const auto folder = std::filesystem::temp_directory_path() / ("link_trace_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    ::setenv("TMPDIR", folder.c_str(), 1);
    ASSERT_EQ(TraceFilePath(), (folder / "core_dbg.txt").string());

    EmitTrace(2, "dvVantisPlusSaveSys, 1f\n");
    EmitTrace(0, "never written\n");
    EmitTrace(7, "x");
    std::ifstream in(folder / "core_dbg.txt", std::ios::binary);
    const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Bytes expected = EncodeTraceRecord("dvVantisPlusSaveSys, 1f\n");
    const Bytes second = EncodeTraceRecord("x");
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(bytes, expected);

    // A folder that cannot hold the file: the line is dropped without harm.
    ::setenv("TMPDIR", (folder / "missing").c_str(), 1);
    EmitTrace(2, "dropped\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace vantis::link
