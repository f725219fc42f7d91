#include "export/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {
std::string describe(int error, const std::string& path)
{
    return std::string(std::strerror(error)) + " (" + path + ")";
}

// The file a path names once every symbolic link on it is followed, whether or not that file exists yet.
std::string resolved(const std::string& path)
{
    std::filesystem::path current(path);
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(current, error)))
            return current.string();
        const std::filesystem::path target = std::filesystem::read_symlink(current, error);
        if (error)
            return current.string();
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    return current.string(); // a loop: the rename will fail on it, with the system's words
}
} // namespace

std::string AtomicFile::refusal(const std::string& path, const std::vector<std::string>& inputs)
{
    if (path.empty())
        return "no file name given";
    struct stat target
    {};
    if (::stat(path.c_str(), &target) != 0)
        return {}; // nothing there yet (or nothing reachable, which the write reports)
    for (const std::string& input : inputs) {
        struct stat other
        {};
        if (input == path
            || (::stat(input.c_str(), &other) == 0 && other.st_dev == target.st_dev && other.st_ino == target.st_ino))
            return "is also an input (" + path + ")";
    }
    if (S_ISDIR(target.st_mode))
        return "is a directory (" + path + ")";
    if (!S_ISREG(target.st_mode))
        return "is not a regular file (" + path + ")";
    // A file nobody may write is one the user marked to stay as it is; root's power to replace it is no consent.
    if ((target.st_mode & 0222) == 0)
        return "is read-only (" + path + ")";
    if (::access(path.c_str(), W_OK) != 0)
        return describe(errno, path);
    return {};
}

std::string AtomicFile::write(const std::string& given, const std::vector<std::uint8_t>& bytes,
                              const std::vector<std::string>& inputs)
{
    if (std::string refused = refusal(given, inputs); !refused.empty())
        return refused;
    const std::string path = resolved(given);
    struct stat existing
    {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;

    std::string tmpl = path + ".XXXXXX";
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0)
        return describe(errno, given);
    if (exists) {
        // The saved file replaces the old one in every way the user set: its permissions, and its owner where
        // this process may give it.
        ::fchmod(fd, existing.st_mode & 07777);
        if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) {
            [[maybe_unused]] const int ignored = ::fchown(fd, existing.st_uid, existing.st_gid);
        }
    } else {
        // mkstemp creates the file 0600; a document the user saves should get the usual permissions.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }

    const std::uint8_t* p = bytes.data();
    std::size_t left = bytes.size();
    int error = 0;
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(tmpl.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(tmpl.c_str());
        return describe(error, given);
    }
    return {};
}
