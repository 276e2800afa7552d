#include "pty_pair.h"

#include "byte_port.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <thread>
#include <unistd.h>

PtyPair::PtyPair()
{
    int slave = -1;
    char name[256] = {};
    if (openpty(&m_master, &slave, name, nullptr, nullptr) != 0) {
        m_master = -1;
        return;
    }
    ::close(slave);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_deviceName = name;
}

PtyPair::~PtyPair()
{
    CloseMaster();
}

void PtyPair::Send(const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (written <= 0) {
            pollfd watch{m_master, POLLOUT, 0};
            if (poll(&watch, 1, 2000) <= 0) {
                return;
            }
            continue;
        }
        done += static_cast<std::size_t>(written);
    }
}

std::string PtyPair::Receive(std::size_t count, std::chrono::milliseconds wait)
{
    std::string received;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    char buffer[4096];
    while (received.size() < count && std::chrono::steady_clock::now() < deadline) {
        const ssize_t got = ::read(m_master, buffer, sizeof buffer);
        if (got > 0) {
            received.append(buffer, static_cast<std::size_t>(got));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    return received;
}

void PtyPair::CloseMaster()
{
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

std::string ReadUntil(const std::function<int(char*, std::size_t)>& read, std::size_t count,
                      std::chrono::milliseconds wait)
{
    std::string received;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    char buffer[BytePort::kReadChunk];
    while (received.size() < count && std::chrono::steady_clock::now() < deadline) {
        const int got = read(buffer, sizeof buffer);
        if (got > 0) {
            received.append(buffer, static_cast<std::size_t>(got));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    return received;
}
