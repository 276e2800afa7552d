#include "private_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

bool WritePrivateFile(const std::string& path, const std::string& content, std::string& error)
{
    std::vector<char> aside(path.begin(), path.end());
    const char suffix[] = ".XXXXXX";
    aside.insert(aside.end(), suffix, suffix + sizeof suffix);
    // mkstemp makes the file with O_EXCL and mode 0600 whatever the umask.
    const int fd = ::mkostemp(aside.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    std::size_t written = 0;
    bool ok = ::fchmod(fd, 0600) == 0;
    while (ok && written < content.size()) {
        const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            written += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    const int writeError = errno;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(aside.data(), path.c_str()) == 0)
        return true;
    error = "cannot write " + path + ": " + std::strerror(ok ? errno : writeError);
    ::unlink(aside.data());
    return false;
}
