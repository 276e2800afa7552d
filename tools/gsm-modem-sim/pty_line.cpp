#include "pty_line.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace gsmsim {

PtyLine::~PtyLine()
{
    Close();
}

bool PtyLine::Open(std::string* error)
{
    Close();
    const int fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = std::string("posix_openpt: ") + std::strerror(errno);
        return false;
    }
    char name[128];
    if (grantpt(fd) != 0 || unlockpt(fd) != 0 || ptsname_r(fd, name, sizeof name) != 0) {
        *error = std::string("pseudo-terminal setup: ") + std::strerror(errno);
        ::close(fd);
        return false;
    }
    // Raw from the start, so the line discipline neither echoes nor translates before the
    // terminal sets its own modes; settings made on the master reach the slave.
    termios tio{};
    if (tcgetattr(fd, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);
    }
    // Packet mode tells us when the terminal flushes its input, which it does when it opens
    // the line: a reopen is noticed even when it comes too fast for a hang-up to show.
    int on = 1;
    ioctl(fd, TIOCPKT, &on);
    m_fd = fd;
    m_slavePath = name;
    return true;
}

void PtyLine::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool PtyLine::UpdateLink(const std::string& linkPath, std::string* error) const
{
    const std::string temp = linkPath + ".new" + std::to_string(getpid());
    ::unlink(temp.c_str());
    if (::symlink(m_slavePath.c_str(), temp.c_str()) != 0 || ::rename(temp.c_str(), linkPath.c_str()) != 0) {
        *error = "link " + linkPath + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

void PtyLine::RemoveLink(const std::string& linkPath) const
{
    char target[256];
    const ssize_t n = ::readlink(linkPath.c_str(), target, sizeof target);
    if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == m_slavePath)
        ::unlink(linkPath.c_str());
}

} // namespace gsmsim
