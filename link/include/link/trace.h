// Trace lines of the link libraries.
//
// The level is fixed when the library is built (CMake cache variable
// VANTIS_LINK_TRACE_LEVEL, 0 by default) and no call changes it:
//   0      nothing; the text is not even formatted
//   1      the line goes to standard error
//   other  the line is appended to "core_dbg.txt" in the temporary-files folder
//          ($TMPDIR, else /tmp) as UTF-16LE code units with a terminating zero unit
//          and no byte-order mark; if the file cannot be opened the line is dropped.
// Tracing never changes a result.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantis::link {

// The build's trace level.
int TraceLevel();

// Formats and emits one line at the build's level.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Emits an already formatted line as `level` says (the build's level is only one use).
void EmitTrace(int level, std::string_view line);

// The file that level-2+ records go to.
std::string TraceFilePath();

// One file record: the line's UTF-16LE code units and a terminating zero unit.
std::vector<std::uint8_t> EncodeTraceRecord(std::string_view line);

}  // namespace vantis::link
