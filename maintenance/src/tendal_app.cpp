#include "tendal_app.h"

#include <fstream>
#include <ostream>

#include "calibration/maintenance_run.h"
#include "vantis/messages/maintenance_messages.h"

namespace tendal {

bool Start(Startup* s) {
    std::string why;
    if (!vantis::model::ReadDefaults(vantis::model::DefaultIniPath(), &s->defaults, &why)) {
        s->error = Messages().Text(msg::kDefaultIniError);
        return false;
    }
    if (!vantis::model::DataFolderUsable(&why)) {
        s->error = Messages().Format(msg::kDataFolderRefused, {vantis::model::AppDataFolder().string()});
        return false;
    }
    s->lock = vantis::model::InstanceLock::Acquire(
        vantis::model::InstanceLockName(s->defaults.vid, s->defaults.pid), &why);
    if (!s->lock) {
        s->error = Messages().Text(msg::kAlreadyRunning);
        return false;
    }
    return true;
}

bool LoadConfiguration(VantisAuto::CDoc& doc, const std::string& vid, std::string* why) {
    if (!vantis::model::LoadSystemConfig(doc, vid, "Config", why)) return false;
    vantis::calibration::PrepareStoredWarps(doc);
    return true;
}

std::string ConfigurationError(const std::string& vid, const std::string& why) {
    if (why.empty()) return Messages().Text(msg::kNoConfig);
    return Messages().Format(msg::kConfigDamaged, {vantis::model::SystemConfigPath(vid).string(), why});
}

vantis::calibration::MaintenanceOptions RunOptions(const std::string& vid, std::string* warning) {
    vantis::calibration::MaintenanceOptions options;
    options.vendorWord = vid;
    options.reportFolder = vantis::model::SystemConfigPath(vid).parent_path();
    options.thresholds = vantis::calibration::ReadReportThresholds(vantis::model::DefaultIniPath(), warning);
    return options;
}

std::filesystem::path LogFilePath(const std::string& vid) {
    return vantis::model::SystemConfigPath(vid).parent_path() / "Tendal.log";
}

std::string PlainLine(const std::string& line) {
    std::string out;
    out.reserve(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\r' && i + 1 < line.size() && line[i + 1] == '\n') continue;
        out.push_back(line[i]);
    }
    return out;
}

StreamReporter::StreamReporter(std::ostream& out, const std::filesystem::path& logFile)
    : out_(out), file_(logFile) {}

void StreamReporter::Log(const std::string& line) {
    out_ << PlainLine(line) << std::flush;
    file_.Append(line);
}

void StreamReporter::Error(const std::string& text) {
    std::string line = text;
    if (line.empty() || line.back() != '\n') line += "\r\n";
    Log(line);
}

}  // namespace tendal
