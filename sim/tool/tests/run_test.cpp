// wallsim run as a process: boards, camera and figures on request.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "../../optics/tests/test_scenes.h"

namespace wallsim {
namespace {

using nlohmann::json;

std::string ReadLine(int fd) {
    std::string line;
    char c;
    while (::read(fd, &c, 1) == 1 && c != '\n') line += c;
    return line;
}

TEST(WallsimRun, ServesBoardsAndCameraAndReportsFigures) {
    const std::string dir = ::testing::TempDir() + "wallsim-run-" + std::to_string(::getpid());
    const std::string scenePath = dir + "-scene.json", socketPath = dir + ".sock",
                      truthPath = dir + "-truth.json";
    std::ofstream(scenePath) << SceneToJson(testing::AlignedPair(128, 136));
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::execl(WALLSIM_PROGRAM, "wallsim", "run", scenePath.c_str(), "--camera-socket", socketPath.c_str(),
                "--truth", truthPath.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    json ready = json::parse(ReadLine(out[0]));
    EXPECT_EQ(ready["boards"], json({"127.0.0.136:1688", "127.0.0.137:1688"}));
    EXPECT_EQ(ready["camera"], socketPath);

    int cam = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, socketPath.c_str(), sizeof(a.sun_path) - 1);
    ASSERT_EQ(::connect(cam, reinterpret_cast<sockaddr*>(&a), sizeof(a)), 0);
    ASSERT_EQ(::send(cam, "GRAB\n", 5, MSG_NOSIGNAL), 5);
    json header = json::parse(ReadLine(cam));
    EXPECT_EQ(header["bytes"], 1920 * 1080 * 3);
    ::close(cam);

    ::kill(pid, SIGUSR1);
    json figures = json::parse(ReadLine(out[0]));
    ASSERT_EQ(figures["seams"].size(), 1u);
    EXPECT_LT(figures["seams"][0]["max"].get<double>(), 1e-3);  // identity warps on an aligned pair
    ::kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::ifstream truth(truthPath);
    EXPECT_TRUE(json::parse(truth).contains("misregistration"));
    ::close(out[0]);
}

}  // namespace
}  // namespace wallsim
