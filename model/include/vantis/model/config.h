// The application's configuration: the settings file default.ini beside the
// program, the single-instance lock, the language choice and the system
// configuration (the last project, kept between runs).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "vantis/model/document.h"

namespace vantis::model {

// Section MAIN of default.ini.
struct Defaults {
    std::string pid = "Box";              // product word
    std::string vid = "Vendor";           // vendor word
    std::string appTitle = "Warp Tools";  // application name
    std::string appVersionText = "0.0.0";
    std::string firmwareVersionText = "0.0";
    std::uint32_t appVersion = 0;       // (a << 24) | (b << 16) | (c << 8)
    std::uint32_t firmwareVersion = 0;  // (a << 24) | (b << 16)
    // Section CAPTURE, PHOTO_WAIT: "settled" (photographs once the camera's
    // picture has settled after a pattern) or "fixed" (the fixed waits, for
    // cameras whose frames cannot be trusted). Another value fails the read.
    bool fixedPhotoWaits = false;
    // Section ENGINE, CENTRES: "centroid" (block centres weighted by their
    // light, the engine's default) or "box" (the integer centres of the blocks'
    // bounding boxes). Another value fails the read.
    bool boxCentres = false;
    // Section BLEND, FOLLOW_WARP: 0 (zones in picture pixels, for boards that
    // blend the input picture before the warp) or 1 (zones in panel pixels where
    // the calibrated picture's overlap lands, for boards that blend the warped
    // output). Another value fails the read.
    bool blendZonesFollowWarp = false;
};

// The folder of the running executable.
std::filesystem::path ExecutableFolder();
// default.ini beside the running executable.
std::filesystem::path DefaultIniPath();

// Reads the five keys of section MAIN. Fails when the file cannot be read, a
// value is longer than the 520-character buffer, or a version does not parse
// into its required count of numbers ("%d.%d.%d", "%d.%d"). Missing keys take
// their defaults. The caller shows message 506 and ends on failure.
bool ReadDefaults(const std::filesystem::path& iniPath, Defaults* out, std::string* error);

// A setting the programs take from default.ini beside the program: read once,
// when first asked (from the defaults when the file cannot be read; both
// programs end at start on a broken one). Tests set it.
template <typename T>
class SettingOfDefaults {
  public:
    explicit SettingOfDefaults(T (*from)(const Defaults&)) : from_(from) {}
    T Get() {
        std::lock_guard lock(mutex_);
        if (!value_) {
            Defaults defaults;
            ReadDefaults(DefaultIniPath(), &defaults, nullptr);
            value_ = from_(defaults);
        }
        return *value_;
    }
    void Set(T value) {
        std::lock_guard lock(mutex_);
        value_ = value;
    }

  private:
    T (*from_)(const Defaults&);
    std::mutex mutex_;
    std::optional<T> value_;
};

// Parses "%d.%d.%d" (or "%d.%d" when parts is 2) as sscanf would: leading
// numbers, anything after the last one ignored. Returns false when fewer
// numbers are found.
bool ParseVersion(const std::string& text, int parts, std::uint32_t* word);

// Name of the instance lock: "VID_{88CD7C6E-2793-46a7-9652-7FB8D871080B}_PID".
std::string InstanceLockName(const std::string& vid, const std::string& pid);

// Holds the single-instance lock: an advisory flock on a file named after the
// lock in $XDG_RUNTIME_DIR (else /tmp), held until destruction.
class InstanceLock {
  public:
    // Returns null when another process holds the lock (or the lock file
    // cannot be opened; *error says which).
    static std::unique_ptr<InstanceLock> Acquire(const std::string& name, std::string* error);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    InstanceLock(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {}
    int fd_;
    std::filesystem::path path_;
};
std::filesystem::path RuntimeFolder();

// Language of the program: the suffix "CHT" (1028), "CHS" (every other
// Chinese) or "ENU" (all others), from a Windows-style language id.
int ReduceLanguageId(int languageId);
std::string LanguageSuffix(int languageId);
// The same rule applied to a POSIX locale name ("zh_TW.UTF-8" gives CHT,
// "zh_CN" CHS, "de_DE" ENU); an empty name counts as English.
std::string LanguageSuffixForLocale(const std::string& locale);
// From LC_ALL, LC_MESSAGES or LANG.
std::string LanguageSuffixFromEnvironment();

// The application-data folder: $XDG_DATA_HOME, else ~/.local/share.
std::filesystem::path AppDataFolder();
// Whether the application-data folder can hold the photos: the engine takes a
// channel's photos as one ';'-separated list, so a ';' in the folder's path would
// split a photo's path in two. False with the reason in *why.
bool DataFolderUsable(std::string* why);
// <app data>/<VID>/SystemData/<name>.cfg
std::filesystem::path SystemConfigPath(const std::string& vid, const std::string& name = "Config");

// <config>.bak: where the last good configuration is kept.
std::filesystem::path BackupPathOf(const std::filesystem::path& config);
// Copies the configuration file to BackupPathOf(config) (atomically) when it reads
// as a whole, plausible document; a damaged or missing file leaves the backup as
// it was. True when the backup was written.
bool KeepGoodConfigAsBackup(const std::filesystem::path& config);

// Writes the document as the system configuration (creating the folders when
// missing, atomically), after keeping the configuration it replaces as
// Config.cfg.bak when that one is good. Returns 1, or 0 when it cannot be written.
int SaveSystemConfig(VantisAuto::CDoc& doc, const std::string& vid, const std::string& name = "Config",
                     std::string* error = nullptr);
// Reads the system configuration into the document. A missing or empty file
// returns 0 with no error text; a file that cannot be read completely returns
// 0 with the reason in *error and leaves the document unchanged. 1 on success.
int LoadSystemConfig(VantisAuto::CDoc& doc, const std::string& vid, const std::string& name = "Config",
                     std::string* error = nullptr);

}  // namespace vantis::model
