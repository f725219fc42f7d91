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
} // namespace

std::string AtomicFile::write(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    if (path.empty())
        return "no file name given";
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return "is a directory (" + path + ")";

    std::string tmpl = path + ".XXXXXX";
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0)
        return describe(errno, path);
    // mkstemp creates the file 0600; a document the user saves should get the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);

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
        return describe(error, path);
    }
    return {};
}
