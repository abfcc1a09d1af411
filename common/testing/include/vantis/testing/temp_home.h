// Scratch folders for tests.
//
//   TempDir   a fresh folder under the system's temporary folder, removed with
//             everything in it when the object goes.
//   TempHome  a TempDir that is also the process's home for the test: HOME,
//             XDG_DATA_HOME (<root>/data) and XDG_RUNTIME_DIR (<root>/run), so
//             configurations and instance locks never meet another test's.
//             The variables get their previous values back at the end.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vantis::testing {

class TempDir {
  public:
    // The folder's name starts with prefix (letters, digits, '-' and '_').
    explicit TempDir(const std::string& prefix = "vantis-test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

class TempHome {
  public:
    explicit TempHome(const std::string& prefix = "vantis-home");
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::filesystem::path& root() const { return dir_.path(); }
    std::filesystem::path data() const { return root() / "data"; }
    std::filesystem::path run() const { return root() / "run"; }

    // A default.ini in the home folder with the given product and vendor words.
    std::filesystem::path WriteIni(const std::string& pid = "Box", const std::string& vid = "Vendor") const;

  private:
    TempDir dir_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace vantis::testing
