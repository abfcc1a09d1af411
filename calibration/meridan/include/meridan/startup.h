// The start-up checks of the calibration program, in their order: the
// language, default.ini, the single-instance lock. The program shows the
// message and ends when a check fails.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "vantis/model/config.h"

namespace meridan {

struct Startup {
    enum class Outcome { Ready, IniFailed, DataFolderRefused, AlreadyRunning };
    Outcome outcome = Outcome::Ready;
    std::string message;         // message 506 or 110, or why the data folder is refused
    std::string languageSuffix;  // "CHT", "CHS" or "ENU"
    vantis::model::Defaults defaults;
    std::unique_ptr<vantis::model::InstanceLock> lock;  // held for the program's life
};

// Runs the checks with the settings file at iniPath and the language suffix
// already chosen (vantis::model::LanguageSuffixFromEnvironment in the program).
Startup RunStartup(const std::filesystem::path& iniPath, const std::string& languageSuffix);

// The translation file of a language: "VantisAuto<suffix>.qm" in the folder
// "translations" beside the program. English has none; a missing file is no
// error (the program's own texts are used).
std::filesystem::path TranslationFile(const std::filesystem::path& programFolder, const std::string& suffix);

}  // namespace meridan
