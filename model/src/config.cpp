#include "vantis/model/config.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>

#include "vantis/model/project_file.h"

namespace vantis::model {

namespace {

constexpr std::size_t kValueBuffer = 520;  // characters per value, terminator included

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

// The keys of one section of an INI file, by lower-case name; the first
// occurrence of a key wins. Values lose surrounding blanks and one pair of
// surrounding quotes, and are cut to the value buffer.
std::map<std::string, std::string> ReadSection(std::istream& in, const std::string& section) {
    std::map<std::string, std::string> keys;
    std::string line;
    bool inSection = false;
    const std::string wanted = Lower(section);
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[') {
            const auto close = line.find(']');
            inSection = close != std::string::npos && Lower(Trim(line.substr(1, close - 1))) == wanted;
            continue;
        }
        if (!inSection) continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = Lower(Trim(line.substr(0, eq)));
        std::string value = Trim(line.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        if (value.size() > kValueBuffer - 1) value.resize(kValueBuffer - 1);
        keys.emplace(key, value);
    }
    return keys;
}

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

}  // namespace

std::filesystem::path ExecutableFolder() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec);
    return exe.parent_path();
}

std::filesystem::path DefaultIniPath() {
    return ExecutableFolder() / "default.ini";
}

bool ParseVersion(const std::string& text, int parts, std::uint32_t* word) {
    int a = 0, b = 0, c = 0;
    int got = 0;
    if (parts == 3) {
        got = std::sscanf(text.c_str(), "%d.%d.%d", &a, &b, &c);
    } else if (parts == 2) {
        got = std::sscanf(text.c_str(), "%d.%d", &a, &b);
    }
    if (got != parts) return false;
    const auto byte = [](int v) { return static_cast<std::uint32_t>(v) & 0xFFu; };
    std::uint32_t w = (byte(a) << 24) | (byte(b) << 16);
    if (parts == 3) w |= byte(c) << 8;
    if (word) *word = w;
    return true;
}

bool ReadDefaults(const std::filesystem::path& iniPath, Defaults* out, std::string* error) {
    std::ifstream in(iniPath);
    if (!in) {
        if (error) *error = "cannot read " + iniPath.string();
        return false;
    }
    const auto keys = ReadSection(in, "MAIN");
    if (in.bad()) {
        if (error) *error = "cannot read " + iniPath.string();
        return false;
    }
    Defaults d;
    const auto take = [&keys](const char* key, std::string& value) {
        if (auto it = keys.find(Lower(key)); it != keys.end()) value = it->second;
    };
    take("PID", d.pid);
    take("VID", d.vid);
    take("AUTO_WARP_APP_TITLE", d.appTitle);
    take("APP_VER", d.appVersionText);
    take("FW_PREF_VER", d.firmwareVersionText);
    if (!ParseVersion(d.appVersionText, 3, &d.appVersion)) {
        if (error) *error = "APP_VER \"" + d.appVersionText + "\" is not of the form a.b.c";
        return false;
    }
    if (!ParseVersion(d.firmwareVersionText, 2, &d.firmwareVersion)) {
        if (error) *error = "FW_PREF_VER \"" + d.firmwareVersionText + "\" is not of the form a.b";
        return false;
    }
    // A key of two values (either case): sets *second when it holds the second
    // one; any other value fails the read, naming the key.
    const auto choice = [&iniPath, error](const char* sectionName, const char* key, const char* first,
                                          const char* second, bool* isSecond) {
        std::ifstream again(iniPath);
        const auto keys = ReadSection(again, sectionName);
        const auto it = keys.find(Lower(key));
        if (it == keys.end()) return true;
        const std::string value = Lower(it->second);
        if (value != first && value != second) {
            if (error)
                *error = std::string(key) + " \"" + it->second + "\" is neither " + first + " nor " + second;
            return false;
        }
        *isSecond = value == second;
        return true;
    };
    if (!choice("CAPTURE", "PHOTO_WAIT", "settled", "fixed", &d.fixedPhotoWaits) ||
        !choice("ENGINE", "CENTRES", "centroid", "box", &d.boxCentres) ||
        !choice("BLEND", "FOLLOW_WARP", "0", "1", &d.blendZonesFollowWarp))
        return false;
    if (out) *out = d;
    return true;
}

std::string InstanceLockName(const std::string& vid, const std::string& pid) {
    return vid + "_{88CD7C6E-2793-46a7-9652-7FB8D871080B}_" + pid;
}

std::filesystem::path RuntimeFolder() {
    const std::string runtime = Env("XDG_RUNTIME_DIR");
    if (!runtime.empty() && runtime.front() == '/') return runtime;
    return "/tmp";
}

std::unique_ptr<InstanceLock> InstanceLock::Acquire(const std::string& name, std::string* error) {
    // The name becomes a file name: path separators are replaced.
    std::string fileName = name;
    std::replace(fileName.begin(), fileName.end(), '/', '_');
    auto path = RuntimeFolder() / (fileName + ".lock");
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (error) *error = "cannot open lock file " + path.string() + ": " + std::strerror(errno);
        return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (error) {
            *error = err == EWOULDBLOCK ? "another instance holds " + path.string()
                                        : "cannot lock " + path.string() + ": " + std::strerror(err);
        }
        return nullptr;
    }
    return std::unique_ptr<InstanceLock>(new InstanceLock(fd, std::move(path)));
}

InstanceLock::~InstanceLock() {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
}

int ReduceLanguageId(int languageId) {
    const int primary = languageId & 0x3FF;
    const int sub = (languageId >> 10) & 0x3F;
    switch (primary) {
        case 0x04:
            return sub == 1 ? 1028 : 2052;
        case 0x07:
            return 1031;
        case 0x0A:
            return 1034;
        case 0x0C:
            return 1036;
        case 0x10:
            return 1040;
        case 0x11:
            return 1041;
        case 0x12:
            return 1042;
        case 0x13:
            return 1043;
        case 0x15:
            return 1045;
        case 0x16:
            return 2070;
        default:
            return 1033;
    }
}

std::string LanguageSuffix(int languageId) {
    switch (ReduceLanguageId(languageId)) {
        case 1028:
            return "CHT";
        case 2052:
            return "CHS";
        default:
            return "ENU";
    }
}

std::string LanguageSuffixForLocale(const std::string& locale) {
    // Language and territory of "ll_TT.codeset@modifier".
    const std::string name = locale.substr(0, locale.find_first_of(".@"));
    const std::string language = Lower(name.substr(0, name.find('_')));
    const std::string territory = name.find('_') == std::string::npos ? "" : name.substr(name.find('_') + 1);
    static const std::map<std::string, int> kPrimary = {
        {"zh", 0x04}, {"de", 0x07}, {"es", 0x0A}, {"fr", 0x0C}, {"it", 0x10}, {"ja", 0x11},
        {"ko", 0x12}, {"nl", 0x13}, {"pl", 0x15}, {"pt", 0x16}, {"en", 0x09},
    };
    const auto it = kPrimary.find(language);
    if (it == kPrimary.end()) return LanguageSuffix(0x0409);
    int sub = 1;
    if (it->second == 0x04) {
        static const std::map<std::string, int> kChinese = {
            {"TW", 1}, {"CN", 2}, {"HK", 3}, {"SG", 4}, {"MO", 5}};
        const auto c = kChinese.find(territory);
        sub = c == kChinese.end() ? 2 : c->second;
    }
    return LanguageSuffix((sub << 10) | it->second);
}

std::string LanguageSuffixFromEnvironment() {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const std::string value = Env(var);
        if (!value.empty()) return LanguageSuffixForLocale(value);
    }
    return LanguageSuffixForLocale("");
}

std::filesystem::path AppDataFolder() {
    const std::string data = Env("XDG_DATA_HOME");
    if (!data.empty() && data.front() == '/') return data;
    std::string home = Env("HOME");
    if (home.empty()) {
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) home = pw->pw_dir;
    }
    return std::filesystem::path(home) / ".local" / "share";
}

bool DataFolderUsable(std::string* why) {
    const std::string folder = AppDataFolder().string();
    if (folder.find(';') == std::string::npos) return true;
    if (why) *why = "the data folder " + folder + " contains ';', which separates photo paths";
    return false;
}

std::filesystem::path SystemConfigPath(const std::string& vid, const std::string& name) {
    return AppDataFolder() / vid / "SystemData" / (name + ".cfg");
}

std::filesystem::path BackupPathOf(const std::filesystem::path& config) {
    std::filesystem::path backup = config;
    backup += ".bak";
    return backup;
}

bool KeepGoodConfigAsBackup(const std::filesystem::path& config) {
    std::vector<std::uint8_t> bytes;
    if (!ReadProjectFileBytes(config, bytes, nullptr) || bytes.empty()) return false;
    VantisAuto::CDoc check;
    if (!LoadProjectBytes(check, bytes, nullptr)) return false;  // a damaged file is no backup
    return WriteFileAtomically(bytes, BackupPathOf(config), nullptr);
}

int SaveSystemConfig(VantisAuto::CDoc& doc, const std::string& vid, const std::string& name,
                     std::string* error) {
    const auto path = SystemConfigPath(vid, name);
    (void)KeepGoodConfigAsBackup(path);
    return SaveProjectFile(doc, path, error) ? 1 : 0;
}

int LoadSystemConfig(VantisAuto::CDoc& doc, const std::string& vid, const std::string& name,
                     std::string* error) {
    const auto path = SystemConfigPath(vid, name);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return 0;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        if (error) *error = "cannot read " + path.string() + ": " + ec.message();
        return 0;
    }
    if (size == 0) return 0;
    return LoadProjectFile(doc, path, error) ? 1 : 0;
}

}  // namespace vantis::model
