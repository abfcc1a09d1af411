#include "calibration/report.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <regex>

#include <nlohmann/json.hpp>

#include "vantis/model/project_file.h"

namespace vantis::calibration {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// A whole-string number; nothing else.
std::optional<double> Number(const std::string& text) {
    if (text.empty()) return std::nullopt;
    std::size_t used = 0;
    try {
        const double v = std::stod(text, &used);
        if (used != text.size() || !std::isfinite(v)) return std::nullopt;
        return v;
    } catch (...) {
        return std::nullopt;
    }
}

std::string IsoTime(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    return text;
}

std::optional<std::time_t> ParseIsoTime(const std::string& text) {
    std::tm tm{};
    const char* end = strptime(text.c_str(), "%Y-%m-%dT%H:%M:%S%z", &tm);
    if (!end || *end != '\0') return std::nullopt;
    const long offset = tm.tm_gmtoff;
    return timegm(&tm) - offset;
}

std::string Fixed(double v, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

// Rounds figures so that reports stay readable; well below what they resolve.
double Round(double v, double step = 1e-4) {
    return std::round(v / step) * step;
}

const std::regex& ReportNamePattern() {
    static const std::regex pattern(R"(Report-\d{8}-\d{6}(-\d{1,4})?\.json)");
    return pattern;
}

bool IsReportFile(const fs::directory_entry& e) {
    std::error_code ec;
    return e.is_regular_file(ec) && !e.is_symlink(ec) &&
           std::regex_match(e.path().filename().string(), ReportNamePattern());
}

// Report names sort by time; a "-N" suffix sorts after the plain name.
bool NameBefore(const std::string& a, const std::string& b) {
    auto key = [](const std::string& n) {
        const std::string stem = n.substr(0, 22);  // Report-YYYYMMDD-HHMMSS
        int suffix = 0;
        if (n.size() > 27 && n[22] == '-') suffix = std::atoi(n.c_str() + 23);
        return std::pair{stem, suffix};
    };
    return key(a) < key(b);
}

std::vector<fs::path> ReportFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (IsReportFile(*it)) files.push_back(it->path());
    std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) {
        return NameBefore(a.filename().string(), b.filename().string());
    });
    return files;
}

bool WriteWhole(const fs::path& file, const std::string& text, std::string* error) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (out) out << text;
    if (out) out.flush();
    if (!out) {
        if (error) *error = "cannot write " + file.filename().string();
        return false;
    }
    return true;
}

json Optional(const std::optional<double>& v) {
    return v ? json(Round(*v)) : json(nullptr);
}
json Optional(const std::optional<int>& v) {
    return v ? json(*v) : json(nullptr);
}

// Reading: every field is checked; a wrong one throws a message caught below.
struct Bad {
    std::string what;
};

const json& Field(const json& object, const char* name) {
    if (!object.is_object() || !object.contains(name)) throw Bad{std::string(name) + ": missing"};
    return object.at(name);
}

double NumberField(const json& object, const char* name, double low, double high) {
    const json& v = Field(object, name);
    if (!v.is_number()) throw Bad{std::string(name) + ": not a number"};
    const double d = v.get<double>();
    if (!std::isfinite(d) || d < low || d > high) throw Bad{std::string(name) + ": out of range"};
    return d;
}

std::optional<double> OptionalNumber(const json& object, const char* name, double low, double high) {
    if (Field(object, name).is_null()) return std::nullopt;
    return NumberField(object, name, low, high);
}

std::optional<int> OptionalInt(const json& object, const char* name) {
    const json& v = Field(object, name);
    if (v.is_null()) return std::nullopt;
    if (!v.is_number_integer() || v.get<long long>() < 0 || v.get<long long>() > 1000000)
        throw Bad{std::string(name) + ": not a count"};
    return v.get<int>();
}

std::string StringField(const json& object, const char* name) {
    const json& v = Field(object, name);
    if (!v.is_string()) throw Bad{std::string(name) + ": not text"};
    return v.get<std::string>();
}

template <typename E, std::size_t N>
E EnumField(const json& object, const char* name, const std::array<E, N>& values, const char* (*nameOf)(E)) {
    const std::string text = StringField(object, name);
    for (E v : values)
        if (text == nameOf(v)) return v;
    throw Bad{std::string(name) + ": unknown value"};
}

constexpr double kHuge = 1e9;

}  // namespace

ReportThresholds ReadReportThresholds(const fs::path& iniPath, std::string* warning) {
    ReportThresholds t;
    if (warning) warning->clear();
    std::ifstream in(iniPath);
    if (!in) return t;
    std::string line, section;
    std::string problems;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[') {
            section = Upper(Trim(line.substr(
                1, line.find(']') == std::string::npos ? std::string::npos : line.find(']') - 1)));
            continue;
        }
        if (section != "REPORT") continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = Upper(Trim(line.substr(0, eq)));
        const std::optional<double> v = Number(Trim(line.substr(eq + 1)));
        auto take = [&](double* field, double high) {
            if (v && *v > 0 && *v <= high)
                *field = *v;
            else
                problems += (problems.empty() ? "" : ", ") + key;
        };
        if (key == "RESIDUAL_RMS")
            take(&t.residualRms, kHuge);
        else if (key == "COVERAGE")
            take(&t.coverage, 1.0);
        else if (key == "DRIFT")
            take(&t.drift, kHuge);
    }
    if (warning)
        *warning = problems.empty() ? "" : "default.ini [REPORT]: unusable " + problems + "; default kept";
    return t;
}

void ApplyThresholds(RunReport& report) {
    const ReportThresholds& t = report.thresholds;
    for (ProjectorReport& p : report.projectors) {
        p.exceeded.clear();
        bool red = false;
        if (report.outcome != RunOutcome::Ok) {
            p.exceeded.emplace_back("run");
            red = true;
        }
        if (p.blocksFound && p.blocksExpected && *p.blocksFound < *p.blocksExpected) {
            p.exceeded.emplace_back("blocks");
            red = red || *p.blocksFound * 10 < *p.blocksExpected * 9;
        }
        if (p.residualRms && *p.residualRms > t.residualRms) {
            p.exceeded.emplace_back("residual");
            red = red || *p.residualRms > 2 * t.residualRms;
        }
        if (p.coverage && *p.coverage < t.coverage) {
            p.exceeded.emplace_back("coverage");
            red = red || *p.coverage < 1.0 - 2 * (1.0 - t.coverage);
        }
        if (p.drift && p.drift->rmsPanel > t.drift) {
            p.exceeded.emplace_back("drift");
            // After a calibration the drift has been corrected; in a check it has not.
            red = red || (report.kind == RunKind::Check && p.drift->rmsPanel > 2 * t.drift);
        }
        p.verdict = red ? Verdict::Red : p.exceeded.empty() ? Verdict::Green : Verdict::Amber;
    }
}

std::vector<std::string> ExceededProjectors(const RunReport& report) {
    std::vector<std::string> out;
    for (const auto& p : report.projectors)
        if (!p.exceeded.empty()) out.push_back(p.address);
    return out;
}

int ExitStatus(const RunReport& report) {
    if (report.outcome != RunOutcome::Ok) return 1;
    for (const auto& p : report.projectors)
        if (!p.exceeded.empty()) return 3;
    return 0;
}

const char* KindName(RunKind kind) {
    switch (kind) {
        case RunKind::Calibration:
            return "calibration";
        case RunKind::Recalibration:
            return "recalibration";
        case RunKind::Maintenance:
            return "maintenance";
        case RunKind::Check:
            return "check";
    }
    return "maintenance";
}

const char* OutcomeName(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::Ok:
            return "ok";
        case RunOutcome::Refused:
            return "refused";
        case RunOutcome::Failed:
            return "failed";
    }
    return "failed";
}

const char* VerdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::Green:
            return "green";
        case Verdict::Amber:
            return "amber";
        case Verdict::Red:
            return "red";
    }
    return "red";
}

std::string ReportToJson(const RunReport& r) {
    json projectors = json::array();
    for (const auto& p : r.projectors) {
        json drift = nullptr;
        if (p.drift)
            drift = {{"camera", {{"rms", Round(p.drift->rmsCamera)}, {"max", Round(p.drift->maxCamera)}}},
                     {"panel", {{"rms", Round(p.drift->rmsPanel)}, {"max", Round(p.drift->maxPanel)}}},
                     {"blocks", p.drift->blocks}};
        projectors.push_back(
            {{"address", p.address},
             {"blocks", {{"found", Optional(p.blocksFound)}, {"expected", Optional(p.blocksExpected)}}},
             {"residual", {{"rms", Optional(p.residualRms)}, {"max", Optional(p.residualMax)}}},
             {"extrapolation", Optional(p.extrapolation)},
             {"coverage", Optional(p.coverage)},
             {"drift", drift},
             {"verdict", VerdictName(p.verdict)},
             {"exceeded", p.exceeded}});
    }
    const json out = {{"units", "panel pixels unless named"},
                      {"run",
                       {{"kind", KindName(r.kind)},
                        {"start", IsoTime(r.start)},
                        {"end", IsoTime(r.end)},
                        {"seconds",
                         {{"capture", Round(r.captureSeconds, 1e-3)},
                          {"compute", Round(r.computeSeconds, 1e-3)},
                          {"download", Round(r.downloadSeconds, 1e-3)}}},
                        {"outcome", OutcomeName(r.outcome)},
                        {"message", r.message},
                        {"engineStatus", r.engineStatus},
                        {"failedChannel", r.failedChannel}}},
                      {"thresholds",
                       {{"residualRms", r.thresholds.residualRms},
                        {"coverage", r.thresholds.coverage},
                        {"drift", r.thresholds.drift}}},
                      {"projectors", projectors},
                      {"exceeded", ExceededProjectors(r)}};
    return out.dump(2) + "\n";
}

bool ReportFromJson(const std::string& text, RunReport* report, std::string* error) {
    const json doc = json::parse(text, nullptr, false);
    if (doc.is_discarded()) {
        if (error) *error = "not JSON";
        return false;
    }
    try {
        RunReport r;
        const json& run = Field(doc, "run");
        r.kind = EnumField(
            run, "kind",
            std::array{RunKind::Calibration, RunKind::Recalibration, RunKind::Maintenance, RunKind::Check},
            KindName);
        const auto start = ParseIsoTime(StringField(run, "start"));
        const auto end = ParseIsoTime(StringField(run, "end"));
        if (!start || !end) throw Bad{"run time: not a date"};
        r.start = *start;
        r.end = *end;
        const json& seconds = Field(run, "seconds");
        r.captureSeconds = NumberField(seconds, "capture", 0, kHuge);
        r.computeSeconds = NumberField(seconds, "compute", 0, kHuge);
        r.downloadSeconds = NumberField(seconds, "download", 0, kHuge);
        r.outcome = EnumField(
            run, "outcome", std::array{RunOutcome::Ok, RunOutcome::Refused, RunOutcome::Failed}, OutcomeName);
        r.message = static_cast<int>(NumberField(run, "message", 0, 1e6));
        r.engineStatus = static_cast<int>(NumberField(run, "engineStatus", -1e6, 1e6));
        r.failedChannel = static_cast<int>(NumberField(run, "failedChannel", 0, 1e6));
        const json& t = Field(doc, "thresholds");
        r.thresholds.residualRms = NumberField(t, "residualRms", 0, kHuge);
        r.thresholds.coverage = NumberField(t, "coverage", 0, 1);
        r.thresholds.drift = NumberField(t, "drift", 0, kHuge);
        const json& list = Field(doc, "projectors");
        if (!list.is_array() || list.size() > 4096) throw Bad{"projectors: not a list"};
        for (const json& item : list) {
            ProjectorReport p;
            p.address = StringField(item, "address");
            if (p.address.size() > 15 || p.address.find_first_not_of("0123456789.") != std::string::npos)
                throw Bad{"address: not an IPv4 address"};
            const json& blocks = Field(item, "blocks");
            p.blocksFound = OptionalInt(blocks, "found");
            p.blocksExpected = OptionalInt(blocks, "expected");
            const json& residual = Field(item, "residual");
            p.residualRms = OptionalNumber(residual, "rms", 0, kHuge);
            p.residualMax = OptionalNumber(residual, "max", 0, kHuge);
            p.extrapolation = OptionalNumber(item, "extrapolation", 0, kHuge);
            p.coverage = OptionalNumber(item, "coverage", 0, 1);
            const json& drift = Field(item, "drift");
            if (!drift.is_null()) {
                DriftFigures d;
                d.rmsCamera = NumberField(Field(drift, "camera"), "rms", 0, kHuge);
                d.maxCamera = NumberField(Field(drift, "camera"), "max", 0, kHuge);
                d.rmsPanel = NumberField(Field(drift, "panel"), "rms", 0, kHuge);
                d.maxPanel = NumberField(Field(drift, "panel"), "max", 0, kHuge);
                d.blocks = static_cast<int>(NumberField(drift, "blocks", 0, 1e6));
                p.drift = d;
            }
            p.verdict = EnumField(item, "verdict", std::array{Verdict::Green, Verdict::Amber, Verdict::Red},
                                  VerdictName);
            const json& exceeded = Field(item, "exceeded");
            if (!exceeded.is_array() || exceeded.size() > 16) throw Bad{"exceeded: not a list"};
            for (const json& e : exceeded) {
                if (!e.is_string()) throw Bad{"exceeded: not text"};
                p.exceeded.push_back(e.get<std::string>());
            }
            r.projectors.push_back(std::move(p));
        }
        *report = std::move(r);
        return true;
    } catch (const Bad& bad) {
        if (error) *error = bad.what;
    } catch (const std::exception& e) {
        if (error) *error = e.what();
    }
    return false;
}

std::vector<std::string> SummaryLines(const RunReport& r) {
    const bool completed = r.outcome == RunOutcome::Ok;
    std::vector<std::string> lines;
    for (const auto& p : r.projectors) {
        std::string line = p.address + " " + VerdictName(p.verdict);
        if (p.blocksFound && p.blocksExpected)
            line += "  blocks " + std::to_string(*p.blocksFound) + "/" + std::to_string(*p.blocksExpected);
        if (p.residualRms && p.residualMax)
            line += "  residual " + Fixed(*p.residualRms, 2) + "/" + Fixed(*p.residualMax, 2) + " px";
        if (p.coverage) line += "  coverage " + Fixed(*p.coverage, 3);
        line += p.drift ? "  drift " + Fixed(p.drift->rmsPanel, 2) + " px" : std::string("  drift -");
        // A run that did not complete is the reason itself, not a threshold the projector passed.
        std::string exceeded;
        for (const auto& e : p.exceeded)
            if (e != "run") exceeded += " " + e;
        if (!exceeded.empty()) line += "  exceeded:" + exceeded;
        if (!completed) line += std::string("  run ") + OutcomeName(r.outcome);
        lines.push_back(line);
    }
    std::string last = std::string("report: ") + KindName(r.kind) + " " + OutcomeName(r.outcome);
    if (r.outcome == RunOutcome::Refused) last += " (message " + std::to_string(r.message) + ")";
    if (r.engineStatus != 0) last += ", engine status " + std::to_string(r.engineStatus);
    last +=
        ", " + Fixed(static_cast<double>(r.end - r.start), 0) + " s (capture " + Fixed(r.captureSeconds, 1);
    // A check computes and downloads nothing.
    if (r.kind != RunKind::Check)
        last += ", compute " + Fixed(r.computeSeconds, 1) + ", download " + Fixed(r.downloadSeconds, 1);
    last += ")";
    const auto exceeded = ExceededProjectors(r);
    if (!completed)
        last += ", nothing judged: every projector red";
    else
        last += exceeded.empty() ? ", all within thresholds"
                                 : ", " + std::to_string(exceeded.size()) + " out of threshold";
    lines.push_back(last);
    return lines;
}

std::string ReportFileName(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[40];
    std::strftime(text, sizeof text, "Report-%Y%m%d-%H%M%S.json", &local);
    return text;
}

fs::path WriteReport(const fs::path& folder, const RunReport& report, std::string* error, int keep) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    const std::string name = ReportFileName(report.end);
    fs::path file = folder / name;
    for (int n = 2; fs::exists(file, ec) && n < 1000; ++n)
        file = folder / (name.substr(0, name.size() - 5) + "-" + std::to_string(n) + ".json");
    // Written beside and renamed, so that a reader never sees half a report.
    const std::string text = ReportToJson(report);
    std::string why;
    if (!vantis::model::WriteFileAtomically(std::vector<std::uint8_t>(text.begin(), text.end()), file,
                                            &why)) {
        if (error) *error = "cannot write " + file.filename().string() + ": " + why;
        return {};
    }
    KeepNewestReports(folder, keep);
    return file;
}

bool WriteReportCopy(const fs::path& file, const RunReport& report, std::string* error) {
    return WriteWhole(file, ReportToJson(report), error);
}

void KeepNewestReports(const fs::path& folder, int keep) {
    const std::vector<fs::path> files = ReportFiles(folder);
    const std::size_t limit = static_cast<std::size_t>(std::max(keep, 0));
    std::error_code ec;
    for (std::size_t i = 0; i + limit < files.size(); ++i) fs::remove(files[i], ec);
}

fs::path LatestReport(const fs::path& folder) {
    const std::vector<fs::path> files = ReportFiles(folder);
    return files.empty() ? fs::path{} : files.back();
}

bool ReadReport(const fs::path& file, RunReport* report, std::string* error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot read " + file.filename().string();
        return false;
    }
    // Reports are a few kilobytes; anything far larger is not one.
    constexpr std::size_t kLimit = 4 << 20;
    std::string buffer(kLimit + 1, '\0');
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got > kLimit) {
        if (error) *error = file.filename().string() + ": too large";
        return false;
    }
    buffer.resize(got);
    return ReportFromJson(buffer, report, error);
}

}  // namespace vantis::calibration
