#include "link/trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#ifndef VANTIS_LINK_TRACE_LEVEL
#define VANTIS_LINK_TRACE_LEVEL 0
#endif

namespace vantis::link {

int TraceLevel() { return VANTIS_LINK_TRACE_LEVEL; }

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
    // Decode UTF-8 to code points, then write UTF-16LE; malformed bytes become U+FFFD.
    std::vector<std::uint8_t> out;
    out.reserve(2 * line.size() + 2);
    auto unit = [&out](std::uint32_t u) {
        out.push_back(static_cast<std::uint8_t>(u));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    };
    for (std::size_t i = 0; i < line.size();) {
        const auto lead = static_cast<std::uint8_t>(line[i]);
        std::uint32_t cp = 0xFFFD;
        std::size_t length = 1;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, cp = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, cp = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, cp = lead & 0x07;
        }
        if (length > 1) {
            bool ok = i + length <= line.size();
            for (std::size_t k = 1; ok && k < length; ++k) {
                const auto next = static_cast<std::uint8_t>(line[i + k]);
                ok = (next & 0xC0) == 0x80;
                cp = (cp << 6) | (next & 0x3F);
            }
            if (!ok || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD, length = 1;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            unit(0xD800 + (cp >> 10));
            unit(0xDC00 + (cp & 0x3FF));
        } else {
            unit(cp);
        }
        i += length;
    }
    unit(0);
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
