#include "link/trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "vantis/utf8.h"

#ifndef VANTIS_LINK_TRACE_LEVEL
#define VANTIS_LINK_TRACE_LEVEL 0
#endif

namespace vantis::link {

int TraceLevel() {
    return VANTIS_LINK_TRACE_LEVEL;
}

void Trace(const char* format, ...) {
    if constexpr (VANTIS_LINK_TRACE_LEVEL == 0) {
        (void)format;
        return;
    } else {
        char text[512];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        EmitTrace(VANTIS_LINK_TRACE_LEVEL, text);
    }
}

std::string TraceFilePath() {
    const char* folder = std::getenv("TMPDIR");
    std::string path = (folder != nullptr && *folder != '\0') ? folder : "/tmp";
    if (path.back() != '/') path += '/';
    return path + "core_dbg.txt";
}

std::vector<std::uint8_t> EncodeTraceRecord(std::string_view line) {
    // UTF-16LE with a terminating zero unit; malformed bytes become U+FFFD.
    const std::u16string units = vantis::Utf8ToUtf16(line);
    std::vector<std::uint8_t> out;
    out.reserve(2 * units.size() + 2);
    for (const char16_t u : units) {
        out.push_back(static_cast<std::uint8_t>(u));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    out.push_back(0);
    out.push_back(0);
    return out;
}

void EmitTrace(int level, std::string_view line) {
    if (level == 0) return;
    if (level == 1) {
        std::fwrite(line.data(), 1, line.size(), stderr);
        return;
    }
    std::FILE* file = std::fopen(TraceFilePath().c_str(), "ab");
    if (file == nullptr) return;  // the line is dropped
    const std::vector<std::uint8_t> record = EncodeTraceRecord(line);
    std::fwrite(record.data(), 1, record.size(), file);
    std::fclose(file);
}

}  // namespace vantis::link
