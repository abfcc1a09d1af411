#include "meridan/startup.h"

#include "vantis/messages/calibration_messages.h"

namespace meridan {

Startup RunStartup(const std::filesystem::path& iniPath, const std::string& languageSuffix) {
    Startup s;
    s.languageSuffix = languageSuffix;
    std::string error;
    if (!vantis::model::ReadDefaults(iniPath, &s.defaults, &error)) {
        s.outcome = Startup::Outcome::IniFailed;
        s.message = Messages().Text(msg::kDefaultIniError);
        return s;
    }
    // The engine takes a channel's photos as one ';'-separated list: a data folder whose
    // path holds ';' would split every photo path in two.
    if (!vantis::model::DataFolderUsable(&error)) {
        s.outcome = Startup::Outcome::DataFolderRefused;
        s.message = error;
        return s;
    }
    s.lock = vantis::model::InstanceLock::Acquire(
        vantis::model::InstanceLockName(s.defaults.vid, s.defaults.pid), &error);
    if (!s.lock) {
        s.outcome = Startup::Outcome::AlreadyRunning;
        s.message = Messages().Format(msg::kAlreadyRunning, {s.defaults.pid});
    }
    return s;
}

std::filesystem::path TranslationFile(const std::filesystem::path& programFolder, const std::string& suffix) {
    return programFolder / "translations" / ("VantisAuto" + suffix + ".qm");
}

}  // namespace meridan
