#include "vantis/model/project_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace vantis::model {

std::vector<std::uint8_t> SaveProjectBytes(VantisAuto::CDoc& doc) {
    auto ar = Archive::ForStoring();
    doc.Serialize(ar);
    return ar.TakeBytes();
}

bool LoadProjectBytes(VantisAuto::CDoc& doc, const std::vector<std::uint8_t>& bytes, std::string* error) {
    VantisAuto::CDoc fresh;
    auto ar = Archive::ForLoading(bytes);
    fresh.Serialize(ar);
    if (!ar.ok()) {
        if (error) *error = ar.error();
        return false;
    }
    doc.TakeProjectFrom(fresh);
    return true;
}

namespace {

std::string SystemError(const std::string& what, const std::filesystem::path& path, int err) {
    return what + " " + path.string() + ": " + std::strerror(err);
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool SaveProjectFile(VantisAuto::CDoc& doc, const std::filesystem::path& path, std::string* error) {
    const auto bytes = SaveProjectBytes(doc);
    const auto folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        if (error) *error = "cannot create folder " + folder.string() + ": " + ec.message();
        return false;
    }
    // A unique temporary name in the same folder, so that the rename is atomic
    // and two writers never share a temporary file.
    std::string pattern = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        if (error) *error = SystemError("cannot create temporary file in", folder, errno);
        return false;
    }
    const std::filesystem::path temp = pattern;
    bool good = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    int err = errno;
    ::fchmod(fd, 0644);
    if (::close(fd) != 0 && good) {
        good = false;
        err = errno;
    }
    if (good && ::rename(temp.c_str(), path.c_str()) != 0) {
        good = false;
        err = errno;
    }
    if (!good) {
        ::unlink(temp.c_str());
        if (error) *error = SystemError("cannot write", path, err);
        return false;
    }
    // Make the rename itself durable.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

bool LoadProjectFile(VantisAuto::CDoc& doc, const std::filesystem::path& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = SystemError("cannot open", path, errno);
        return false;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        if (error) *error = "cannot read " + path.string();
        return false;
    }
    std::string reason;
    if (!LoadProjectBytes(doc, bytes, &reason)) {
        if (error) *error = path.string() + ": " + reason;
        return false;
    }
    return true;
}

}  // namespace vantis::model
