#include "control_channel.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace gsmsim {

ControlChannel::~ControlChannel()
{
    for (const Peer& p : m_peers)
        ::close(p.fd);
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        struct stat st {};
        if (::stat(m_socketPath.c_str(), &st) == 0 && st.st_dev == m_socketDev && st.st_ino == m_socketIno)
            ::unlink(m_socketPath.c_str());
    }
    if (m_fifoFd >= 0)
        ::close(m_fifoFd);
    if (m_fifoKeepFd >= 0)
        ::close(m_fifoKeepFd);
}

bool ControlChannel::OpenSocket(const std::string& path, std::string* error)
{
    sockaddr_un addr{};
    if (path.size() >= sizeof addr.sun_path) {
        *error = "control path too long: " + path;
        return false;
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    ::unlink(path.c_str());
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 8) != 0) {
        *error = "control socket " + path + ": " + std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        m_socketDev = st.st_dev;
        m_socketIno = st.st_ino;
    }
    m_listenFd = fd;
    m_socketPath = path;
    return true;
}

bool ControlChannel::OpenFifo(const std::string& path, std::string* error)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && ::mkfifo(path.c_str(), 0600) != 0) {
        *error = "control fifo " + path + ": " + std::strerror(errno);
        return false;
    }
    m_fifoFd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    // A writer of our own keeps the FIFO from reporting end of file between writers.
    m_fifoKeepFd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_fifoFd < 0 || m_fifoKeepFd < 0) {
        *error = "control fifo " + path + ": " + std::strerror(errno);
        return false;
    }
    m_fifoPath = path;
    m_peers.push_back({m_fifoFd, {}});
    return true;
}

void ControlChannel::AddPollFds(std::vector<pollfd>* fds) const
{
    if (m_listenFd >= 0)
        fds->push_back({m_listenFd, POLLIN, 0});
    for (const Peer& p : m_peers)
        fds->push_back({p.fd, POLLIN, 0});
}

void ControlChannel::ReadPeer(Peer* peer, const Handler& handler, bool* closed)
{
    char buf[4096];
    const ssize_t n = ::read(peer->fd, buf, sizeof buf);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
        *closed = peer->fd != m_fifoFd;
        return;
    }
    if (n < 0)
        return;
    peer->pending.append(buf, static_cast<std::size_t>(n));
    std::size_t eol;
    while ((eol = peer->pending.find('\n')) != std::string::npos) {
        std::string line = peer->pending.substr(0, eol);
        peer->pending.erase(0, eol + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string reply = handler(line);
        if (reply.empty())
            continue;
        if (peer->fd == m_fifoFd) {
            std::fprintf(stderr, "control: %s\n", reply.c_str());
        } else {
            const std::string out = reply + "\n";
            // Replies are short; a peer that does not read them loses them.
            if (::send(peer->fd, out.data(), out.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0)
                *closed = true;
        }
    }
    if (peer->pending.size() > 65536)
        peer->pending.clear();
}

void ControlChannel::Service(const std::vector<pollfd>& fds, const Handler& handler)
{
    for (const pollfd& p : fds) {
        if (p.revents == 0)
            continue;
        if (p.fd == m_listenFd) {
            const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd >= 0)
                m_peers.push_back({fd, {}});
            continue;
        }
        for (std::size_t i = 0; i < m_peers.size(); ++i) {
            if (m_peers[i].fd != p.fd)
                continue;
            bool closed = false;
            ReadPeer(&m_peers[i], handler, &closed);
            if (closed) {
                ::close(m_peers[i].fd);
                m_peers.erase(m_peers.begin() + static_cast<long>(i));
            }
            break;
        }
    }
}

} // namespace gsmsim
