#include "termios_port.h"

// termios2 (TCGETS2/TCSETS2, BOTHER) comes from the kernel headers, which clash with
// <termios.h>; this file therefore speaks to the driver with ioctl only.
#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

struct BaudCode {
    int baud;
    unsigned code;
};

// The rates the modem table names. 128000, 238000 and 256000 have no classic code
// and are programmed as an arbitrary rate.
constexpr BaudCode kBauds[] = {
    {2400, B2400},     {4800, B4800},    {9600, B9600},     {19200, B19200},  {38400, B38400},  {57600, B57600},
    {115200, B115200}, {128000, BOTHER}, {230400, B230400}, {238000, BOTHER}, {256000, BOTHER},
};

constexpr int kDefaultBaud = 19200;

void SetModemLine(int fd, int line, bool raised)
{
    // Lines a pseudo-terminal or a USB adapter cannot drive simply stay as they are.
    ioctl(fd, raised ? TIOCMBIS : TIOCMBIC, &line);
}

} // namespace

TermiosPort::~TermiosPort()
{
    Close();
}

int TermiosPort::EffectiveBaud(int baud)
{
    for (const BaudCode& entry : kBauds) {
        if (entry.baud == baud) {
            return baud;
        }
    }
    return kDefaultBaud;
}

bool TermiosPort::Open(const std::string& name, int baud, int modemType)
{
    // A handle still held would leak and keep the device locked against ourselves.
    Close();

    // Non-blocking: neither the open nor any read may wait for carrier or data.
    const int fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    // Exclusive use: TIOCEXCL keeps other users out, the lock also keeps out a second
    // opener with administrator rights (TIOCEXCL does not stop those).
    termios2 settings{};
    if (ioctl(fd, TCGETS2, &settings) != 0 || flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0) {
        ::close(fd);
        return false;
    }

    // Flow control by modem type. termios knows RTS/CTS handshake (CRTSCTS) but no
    // DTR/DSR handshake; "DTR handshake" therefore raises DTR and keeps it up while the
    // port is open (the modem's "terminal ready"), "DTR disabled" holds it low, and
    // "RTS disabled" is CRTSCTS off with RTS held low. Type 0 thus has no handshake on
    // either line.
    const bool rtsHandshake = modemType != 0;
    const bool dtrHandshake = modemType != 0 && modemType != 2;

    // Raw binary 8N1, no software flow control. CLOCAL: a modem without carrier
    // detect must not make reads hang up.
    settings.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
    settings.c_oflag &= ~OPOST;
    settings.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    settings.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS | CBAUD | (CBAUD << IBSHIFT));
    settings.c_cflag |= CS8 | CREAD | CLOCAL;
    if (rtsHandshake) {
        settings.c_cflag |= CRTSCTS;
    }
    settings.c_cc[VSTART] = 0;
    settings.c_cc[VSTOP] = 0;
    // Reads return at once with whatever has arrived.
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;

    const int rate = EffectiveBaud(baud);
    for (const BaudCode& entry : kBauds) {
        if (entry.baud == rate) {
            settings.c_cflag |= entry.code;
        }
    }
    settings.c_ispeed = static_cast<speed_t>(rate);
    settings.c_ospeed = static_cast<speed_t>(rate);

    // A setting the driver refuses does not fail the open: the modem's answers, or their
    // absence, tell the session whether the line works.
    ioctl(fd, TCSETS2, &settings);
    SetModemLine(fd, TIOCM_DTR, dtrHandshake);
    if (!rtsHandshake) {
        SetModemLine(fd, TIOCM_RTS, false);
    }
    ioctl(fd, TCFLSH, TCOFLUSH);
    ioctl(fd, TCFLSH, TCIFLUSH);

    m_fd = fd;
    m_lost = false;
    return true;
}

int TermiosPort::Read(char* buffer, std::size_t capacity)
{
    if (m_fd < 0) {
        return -1;
    }
    const ssize_t count = ::read(m_fd, buffer, std::min(capacity, BytePort::kReadChunk));
    if (count > 0) {
        return static_cast<int>(count);
    }
    // No data. An unplugged USB adapter or a closed far end of a pseudo-terminal shows as
    // EIO or as a hang-up; raw reads with VMIN 0 give 0 when merely idle, so ask poll.
    if (count < 0 && (errno == EIO || errno == ENXIO || errno == ENODEV)) {
        m_lost = true;
    } else if (count == 0) {
        pollfd watch{m_fd, POLLIN, 0};
        if (poll(&watch, 1, 0) > 0 && (watch.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            m_lost = true;
        }
    }
    return 0;
}

int TermiosPort::Write(const char* bytes, std::size_t length)
{
    if (m_fd < 0) {
        return 0;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kWriteTimeoutMs);
    std::size_t done = 0;
    while (done < length) {
        const ssize_t written = ::write(m_fd, bytes + done, length - done);
        if (written > 0) {
            done += static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && errno != EAGAIN) {
            return 1;
        }
        // The driver's queue is full (handshake held back, slow line): wait for room.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return 1;
        }
        pollfd watch{m_fd, POLLOUT, 0};
        if (poll(&watch, 1, static_cast<int>(left)) < 0 && errno != EINTR) {
            return 1;
        }
        if ((watch.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 && (watch.revents & POLLOUT) == 0) {
            return 1;
        }
    }
    return 0;
}

void TermiosPort::DiscardOutput()
{
    if (m_fd >= 0) {
        ioctl(m_fd, TCFLSH, TCOFLUSH);
    }
}

bool TermiosPort::Close()
{
    if (m_fd >= 0) {
        // Output still queued behind a handshake that never comes would make close()
        // wait for the driver's drain time-out (30 s on many UARTs).
        ioctl(m_fd, TCFLSH, TCIOFLUSH);
        ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
        m_fd = -1;
    }
    m_lost = false;
    return true;
}
