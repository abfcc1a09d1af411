#include "tendal_log.h"

#include <fstream>

namespace tendal {

namespace {

// The workflow's own stamp at the start of a line: "[hh:mm] " (or without the space).
std::size_t ShortStampLength(const std::string& line) {
    const auto digit = [&](std::size_t i) { return i < line.size() && line[i] >= '0' && line[i] <= '9'; };
    if (line.size() < 7 || line[0] != '[' || !digit(1) || !digit(2) || line[3] != ':' || !digit(4) ||
        !digit(5) || line[6] != ']') {
        return 0;
    }
    return line.size() > 7 && line[7] == ' ' ? 8 : 7;
}

}  // namespace

std::string DateTimeStamp(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string StampedLines(const std::string& text, const std::string& stamp) {
    std::string out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const bool ended = end != std::string::npos;
        if (!ended) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        line.erase(0, ShortStampLength(line));
        out += stamp;
        if (!line.empty()) out += " " + line;
        out += "\n";
        start = end + 1;
    }
    return out;
}

LogFile::LogFile(std::filesystem::path path) : path_(std::move(path)) {}

void LogFile::BeginRun(const std::string& origin) {
    Write(DateTimeStamp(std::time(nullptr)) + " ==== Tendal run started (" + origin + ") ====\n");
}

void LogFile::Append(const std::string& text) {
    Write(StampedLines(text, DateTimeStamp(std::time(nullptr))));
}

void LogFile::Write(const std::string& lines) {
    if (path_.empty() || lines.empty()) return;
    std::lock_guard lock(mutex_);
    std::error_code ec;
    std::filesystem::create_directories(path_.parent_path(), ec);
    std::ofstream(path_, std::ios::app) << lines;
}

}  // namespace tendal
