#pragma once

#include <string>

namespace gsmsim {

// The modem's end of the serial line: the master side of a pseudo-terminal, raw,
// non-blocking and in packet mode (every read starts with a status byte, 0 for data).
// Terminals open the slave device named by SlavePath (or the link to it).
class PtyLine final {
public:
    PtyLine() = default;
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;
    ~PtyLine();

    bool Open(std::string* error);
    void Close();
    int Fd() const { return m_fd; }
    const std::string& SlavePath() const { return m_slavePath; }

    // Points linkPath at the slave device, replacing whatever was there in one step.
    bool UpdateLink(const std::string& linkPath, std::string* error) const;
    // Removes linkPath while it still points at this line's device: a simulator started
    // later in the same place may have taken the name over.
    void RemoveLink(const std::string& linkPath) const;

private:
    int m_fd = -1;
    std::string m_slavePath;
};

} // namespace gsmsim
