#include "platform/regular_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mrv
{

namespace
{

std::string KindText(mode_t mode)
{
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISCHR(mode)) return "a character device";
    return "not a regular file";
}

} // namespace

bool IsRegularFile(const std::filesystem::path& path, std::string* why)
{
    struct stat info {
    };
    if (stat(path.c_str(), &info) != 0) {
        if (why != nullptr) *why = errno == ENOENT ? "not there" : std::strerror(errno);
        return false;
    }
    if (S_ISREG(info.st_mode)) return true;
    if (why != nullptr) *why = KindText(info.st_mode);
    return false;
}

bool MayWriteFile(const std::filesystem::path& path, std::string* why)
{
    struct stat info {
    };
    if (stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) return true;
        if (why != nullptr) *why = std::strerror(errno);
        return false;
    }
    if (S_ISREG(info.st_mode)) return true;
    if (why != nullptr) *why = KindText(info.st_mode);
    return false;
}

bool ReadRegularFile(const std::filesystem::path& path, size_t max_bytes, std::vector<uint8_t>& bytes,
                     uint64_t& size, std::string& why)
{
    bytes.clear();
    size = 0;
    // O_NONBLOCK: a named pipe opens at once instead of waiting for a writer,
    // and is then refused by its type like any other non-file.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        why = errno == ENOENT ? "not there" : std::strerror(errno);
        return false;
    }
    struct stat info {
    };
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        why = KindText(info.st_mode);
        close(fd);
        return false;
    }
    size = static_cast<uint64_t>(info.st_size);
    bytes.resize(static_cast<size_t>(std::min<uint64_t>(size, max_bytes)));
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = std::strerror(errno);
            close(fd);
            return false;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    bytes.resize(got);
    return true;
}

} // namespace mrv
