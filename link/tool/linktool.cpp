// linktool: drives one engine board through the projector link, one command per run.
// Prints the link's result code and its meaning; exits 0 on success, 1 when the board
// could not be reached or the command failed, 2 on a usage error.
#include <cstdio>
#include <string>
#include <vector>

#include "dvOrvelAuto.h"
#include "link/result.h"
#include "link/socket_transport.h"
#include "link/version_query.h"
#include "linktool_args.h"

namespace {

LinkResult Run(LinkHandle h, const linktool::Command& c) {
    using linktool::Verb;
    const auto& n = c.numbers;
    switch (c.verb) {
        case Verb::kVersion: {
            // What was read is printed; a query the board did not answer makes it a failure.
            uint32_t two[2] = {0, 0};
            uint32_t one = 0;
            vantis::link::SocketTransport link(h);
            const LinkResult result = vantis::link::ReadVersionWords(link, two, &one);
            std::printf("version: %08X %08X %08X\n", two[0], two[1], one);
            return result;
        }
        case Verb::kBlank:
            return dvOrvelAutoImageBlank(h);
        case Verb::kUnblank:
            return dvOrvelAutoImageUnBlank(h);
        case Verb::kClear:
            return dvOrvelAutoClearImage(h);
        case Verb::kSolid:
            return dvOrvelAutoDisplaySolidColor(h, c.colour);
        case Verb::kClearSolid:
            return dvOrvelAutoClearSolidColor(h);
        case Verb::kHLine:
            return dvOrvelAutoDrawHLine(h, n[0], n[1], n[2], c.colour);
        case Verb::kVLine:
            return dvOrvelAutoDrawVLine(h, n[0], n[1], n[2], c.colour);
        case Verb::kRect:
            return dvOrvelAutoMakeRectanglePattern(h, c.colour, n[0], n[1], n[2], n[3], n[4], n[5], n[6],
                                                   n[7], n[8], n[9], n[10], n[11], n[12]);
        case Verb::kCircle:
            return dvOrvelAutoCirclePattern(h, c.colour, n[0], n[1], n[2], n[3], n[4], n[5], n[6], n[7], n[8],
                                            n[9], n[10], n[11], n[12]);
        case Verb::kSave:
            return dvOrvelAutoSaveSys(h);
    }
    return LINK_RESULT_MALFORMED;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(linktool::Usage(), stdout);
        return 0;
    }
    linktool::Command command;
    std::string error;
    if (!linktool::ParseArguments(args, command, error)) {
        std::fprintf(stderr, "linktool: %s\n%s", error.c_str(), linktool::Usage());
        return 2;
    }
    const uint32_t a = command.address;
    const LinkHandle h = dvOrvelAutoOpen(a);
    if (h == 0) {
        std::printf("%u.%u.%u.%u: cannot connect to port %d\n", a >> 24, (a >> 16) & 0xFF, (a >> 8) & 0xFF,
                    a & 0xFF, DVORVELAUTO_BOARD_PORT);
        return 1;
    }
    const LinkResult result = Run(h, command);
    std::printf("result %d: %s\n", result, vantis::link::ResultMeaning(result));
    dvOrvelAutoDisconnect(h);
    return result == LINK_RESULT_OK ? 0 : 1;
}
