#include "calibration/image_folder.h"

#include <system_error>

namespace fs = std::filesystem;

namespace vantis::calibration {

bool IsPlainFolderWord(const std::string& word) {
    if (word.empty() || word == "." || word == "..") return false;
    for (char c : word)
        if (c == '/' || c == '\0') return false;
    return true;
}

fs::path ImageFolderOf(const fs::path& dataHome, const std::string& word) {
    return dataHome / word / "ImageData";
}

namespace {

// True when the path exists as a real folder, or does not exist at all; false
// for a symbolic link or anything that is not a folder.
bool RealFolderOrMissing(const fs::path& path, std::string* error) {
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(path, ec);
    if (ec && st.type() != fs::file_type::not_found) {
        *error = "cannot inspect " + path.string() + ": " + ec.message();
        return false;
    }
    if (st.type() == fs::file_type::not_found) return true;
    if (fs::is_symlink(st)) {
        *error = path.string() + " is a symbolic link";
        return false;
    }
    if (!fs::is_directory(st)) {
        *error = path.string() + " is not a folder";
        return false;
    }
    return true;
}

// The path without "." and ".." steps and without a trailing slash.
fs::path Normal(const fs::path& p) {
    fs::path n = p.lexically_normal();
    if (!n.has_filename() && n.has_parent_path()) n = n.parent_path();
    return n;
}

}  // namespace

bool EmptyImageFolder(const fs::path& dataHome, const std::string& word, const fs::path& folder,
                      std::string* error) {
    std::string ignored;
    if (!error) error = &ignored;
    if (!IsPlainFolderWord(word)) {
        *error = "the vendor word \"" + word + "\" is not a plain folder name";
        return false;
    }
    if (dataHome.empty() || !dataHome.is_absolute()) {
        *error = "the data folder is not an absolute path";
        return false;
    }
    const fs::path expected = Normal(ImageFolderOf(dataHome, word));
    if (Normal(folder) != expected) {
        *error = folder.string() + " is not the image folder " + expected.string();
        return false;
    }
    // No link on the way may lead elsewhere: the data home itself may sit
    // anywhere, but the vendor folder and the image folder must be real.
    const fs::path vendorFolder = dataHome / word;
    if (!RealFolderOrMissing(vendorFolder, error) || !RealFolderOrMissing(expected, error)) return false;

    std::error_code ec;
    fs::create_directories(expected, ec);
    if (ec) {
        *error = "cannot create " + expected.string() + ": " + ec.message();
        return false;
    }
    // Created by someone else in between as a link? Check once more.
    if (!RealFolderOrMissing(vendorFolder, error) || !RealFolderOrMissing(expected, error)) return false;

    bool ok = true;
    for (fs::directory_iterator it(expected, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path entry = it->path();
        std::error_code rec;
        const fs::file_status st = fs::symlink_status(entry, rec);
        // remove_all never follows links: a link is removed as a link, and a
        // real sub-folder with everything in it.
        if (fs::is_directory(st) && !fs::is_symlink(st))
            fs::remove_all(entry, rec);
        else
            fs::remove(entry, rec);
        if (rec) {
            *error = "cannot delete " + entry.string() + ": " + rec.message();
            ok = false;
        }
    }
    if (ec) {
        *error = "cannot list " + expected.string() + ": " + ec.message();
        return false;
    }
    return ok;
}

}  // namespace vantis::calibration
