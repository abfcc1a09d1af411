#include "linktool_args.h"

#include <charconv>
#include <cstdlib>
#include <utility>

#include "vantis/ipv4.h"

namespace linktool {
namespace {

struct VerbInfo {
    const char* name;
    Verb verb;
    bool colourFirst;  // RRGGBB before the numbers (patterns, solid)
    int numbers;       // integers expected
    bool colourLast;   // RRGGBB after the numbers (lines)
};

constexpr VerbInfo kVerbs[] = {
    {"version", Verb::kVersion, false, 0, false}, {"blank", Verb::kBlank, false, 0, false},
    {"unblank", Verb::kUnblank, false, 0, false}, {"clear", Verb::kClear, false, 0, false},
    {"solid", Verb::kSolid, true, 0, false},      {"clear-solid", Verb::kClearSolid, false, 0, false},
    {"hline", Verb::kHLine, false, 3, true},      {"vline", Verb::kVLine, false, 3, true},
    {"rect", Verb::kRect, true, 13, false},       {"circle", Verb::kCircle, true, 13, false},
    {"save", Verb::kSave, false, 0, false},
};

bool ParseInt(std::string_view text, std::int32_t& value) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

}  // namespace

bool ParseColour(std::string_view text, std::uint32_t& colour) {
    if (text.starts_with("#"))
        text.remove_prefix(1);
    else if (text.starts_with("0x") || text.starts_with("0X"))
        text.remove_prefix(2);
    if (text.size() != 6) return false;
    std::uint32_t value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc() || ptr != text.data() + text.size()) return false;
    colour = value;
    return true;
}

bool ParseArguments(const std::vector<std::string>& args, Command& command, std::string& error) {
    Command parsed;
    bool haveAddress = false;
    std::size_t i = 0;
    for (; i < args.size() && args[i].starts_with("--"); ++i) {
        std::string_view option = args[i];
        std::string value;
        if (const auto eq = option.find('='); eq != std::string_view::npos) {
            value = std::string(option.substr(eq + 1));
            option = option.substr(0, eq);
        } else if (option == "--ip" && i + 1 < args.size()) {
            value = args[++i];
        }
        if (option != "--ip") {
            error = "unknown option " + std::string(option);
            return false;
        }
        if (const auto address = vantis::ParseIpv4(value)) {
            parsed.address = *address;
        } else {
            error = "not an IPv4 address: " + value;
            return false;
        }
        haveAddress = true;
    }
    if (!haveAddress) {
        error = "missing --ip A.B.C.D";
        return false;
    }
    if (i >= args.size()) {
        error = "missing command";
        return false;
    }
    const VerbInfo* info = nullptr;
    for (const VerbInfo& v : kVerbs)
        if (args[i] == v.name) info = &v;
    if (info == nullptr) {
        error = "unknown command " + args[i];
        return false;
    }
    parsed.verb = info->verb;
    ++i;
    const std::size_t expected =
        static_cast<std::size_t>(info->numbers) + (info->colourFirst || info->colourLast);
    if (args.size() - i != expected) {
        error = std::string(info->name) + " takes " + std::to_string(expected) + " argument(s)";
        return false;
    }
    if (info->colourFirst && !ParseColour(args[i++], parsed.colour)) {
        error = "not a colour RRGGBB: " + args[i - 1];
        return false;
    }
    for (int n = 0; n < info->numbers; ++n, ++i) {
        std::int32_t value = 0;
        if (!ParseInt(args[i], value)) {
            error = "not an integer: " + args[i];
            return false;
        }
        parsed.numbers.push_back(value);
    }
    if (info->colourLast && !ParseColour(args[i++], parsed.colour)) {
        error = "not a colour RRGGBB: " + args[i - 1];
        return false;
    }
    command = std::move(parsed);
    return true;
}

const char* Usage() {
    return "usage: linktool --ip A.B.C.D COMMAND [ARGS]\n"
           "commands:\n"
           "  version                       board version words\n"
           "  blank | unblank               blank or show the picture\n"
           "  clear                         remove the pattern\n"
           "  solid RRGGBB | clear-solid    show or remove a solid colour\n"
           "  hline X Y LEN RRGGBB          horizontal line (to the right)\n"
           "  vline X Y LEN RRGGBB          vertical line (downwards)\n"
           "  rect RRGGBB V1..V12 LAST      rectangle block pattern\n"
           "  circle RRGGBB V1..V12 LAST    circle block pattern\n"
           "  save                          store the board's settings permanently\n";
}

}  // namespace linktool
