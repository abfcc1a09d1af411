// Command line of linktool:
//   linktool --ip A.B.C.D COMMAND [ARGS]
// COMMAND is one of
//   version | blank | unblank | clear | solid RRGGBB | clear-solid | save
//   hline X Y LEN RRGGBB | vline X Y LEN RRGGBB
//   rect RRGGBB V1 .. V12 LAST | circle RRGGBB V1 .. V12 LAST
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace linktool {

enum class Verb {
    kVersion,
    kBlank,
    kUnblank,
    kClear,
    kSolid,
    kClearSolid,
    kHLine,
    kVLine,
    kRect,
    kCircle,
    kSave
};

struct Command {
    std::uint32_t address = 0;  // first octet in the most significant byte
    Verb verb = Verb::kVersion;
    std::uint32_t colour = 0;           // 0x00RRGGBB
    std::vector<std::int32_t> numbers;  // line: x, y, length; pattern: v1..v12, last
};

// Parses the arguments after the program name. On failure returns false with a one-line
// reason in `error`.
bool ParseArguments(const std::vector<std::string>& args, Command& command, std::string& error);

// "RRGGBB", "#RRGGBB" or "0xRRGGBB": six hex digits.
bool ParseColour(std::string_view text, std::uint32_t& colour);

const char* Usage();

}  // namespace linktool
