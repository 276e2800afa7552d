#pragma once

#include <functional>
#include <poll.h>
#include <string>
#include <sys/types.h>
#include <vector>

namespace gsmsim {

// Where control lines come from: a Unix stream socket (each line answered on its
// connection) or a FIFO (answers go to stderr, there is nobody to read them back).
class ControlChannel final {
public:
    using Handler = std::function<std::string(const std::string& line)>;

    ControlChannel() = default;
    ControlChannel(const ControlChannel&) = delete;
    ControlChannel& operator=(const ControlChannel&) = delete;
    ~ControlChannel();

    bool OpenSocket(const std::string& path, std::string* error);
    bool OpenFifo(const std::string& path, std::string* error);

    void AddPollFds(std::vector<pollfd>* fds) const;
    // Accepts connections and runs every complete line that poll reported.
    void Service(const std::vector<pollfd>& fds, const Handler& handler);

private:
    struct Peer {
        int fd;
        std::string pending;
    };
    void ReadPeer(Peer* peer, const Handler& handler, bool* closed);

    std::string m_socketPath;
    // The socket file as bound, so that one another process has put in its place stays.
    dev_t m_socketDev = 0;
    ino_t m_socketIno = 0;
    std::string m_fifoPath;
    int m_listenFd = -1;
    int m_fifoFd = -1;
    int m_fifoKeepFd = -1;
    std::vector<Peer> m_peers;
};

} // namespace gsmsim
