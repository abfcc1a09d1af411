#include "vantis/model/project_file.h"

#include "vantis/model/plausibility.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vantis::model {

std::vector<std::uint8_t> SaveProjectBytes(VantisAuto::CDoc& doc) {
    auto ar = Archive::ForStoring();
    doc.Serialize(ar);
    return ar.TakeBytes();
}

bool LoadProjectBytes(VantisAuto::CDoc& doc, const std::vector<std::uint8_t>& bytes, std::string* error,
                      LoadCheck check) {
    VantisAuto::CDoc fresh;
    auto ar = Archive::ForLoading(bytes);
    fresh.Serialize(ar);
    if (!ar.ok()) {
        if (error) *error = ar.error();
        return false;
    }
    // No checksum guards the format: a damaged file shows in values no program writes.
    std::string why;
    if (check == LoadCheck::kPlausible && !CheckPlausible(fresh, &why)) {
        if (error) *error = "implausible contents: " + why;
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
    return WriteFileAtomically(SaveProjectBytes(doc), path, error);
}

bool WriteFileAtomically(const std::vector<std::uint8_t>& bytes, const std::filesystem::path& path,
                         std::string* error) {
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

bool ReadProjectFileBytes(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes,
                          std::string* error) {
    bytes.clear();
    // Without blocking: a FIFO must not hang the reader. Only a regular file is read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (error) *error = SystemError("cannot open", path, errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        if (error) *error = path.string() + ": not a regular file";
        return false;
    }
    if (static_cast<std::uintmax_t>(st.st_size) > kMaxProjectFileBytes) {
        ::close(fd);
        if (error)
            *error =
                path.string() + ": " + std::to_string(st.st_size) + " bytes, more than any project holds";
        return false;
    }
    // The size may change while reading; never read more than the bound.
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (bytes.size() >= kMaxProjectFileBytes) break;
            bytes.resize(std::min<std::size_t>(kMaxProjectFileBytes, bytes.size() + 4096));
        }
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            bytes.clear();
            if (error) *error = SystemError("cannot read", path, err);
            return false;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(got);
    return true;
}

bool LoadProjectFile(VantisAuto::CDoc& doc, const std::filesystem::path& path, std::string* error,
                     LoadCheck check) {
    std::vector<std::uint8_t> bytes;
    if (!ReadProjectFileBytes(path, bytes, error)) return false;
    std::string reason;
    if (!LoadProjectBytes(doc, bytes, &reason, check)) {
        if (error) *error = path.string() + ": " + reason;
        return false;
    }
    return true;
}

}  // namespace vantis::model
