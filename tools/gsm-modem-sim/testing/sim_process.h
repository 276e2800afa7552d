#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// A gsm-modem-sim process for tests: in a scratch folder, with a fixed link to its device,
// a log of what it received and a control socket (or FIFO).
class SimProcess final {
public:
    enum class ControlKind { kSocket, kFifo };

    // folder: reuse a folder (a restart keeps the link path); empty makes a new one.
    explicit SimProcess(const std::string& folder = {}, ControlKind control = ControlKind::kSocket);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool Started() const { return !m_device.empty(); }
    // The first line the simulator printed: its device.
    const std::string& Device() const { return m_device; }
    pid_t Pid() const { return m_pid; }
    const std::string& Folder() const { return m_dir; }
    std::string Link() const { return m_dir + "/modem"; }
    std::string LogPath() const { return m_dir + "/modem.jsonl"; }
    const std::string& ControlPath() const { return m_control; }
    // One control line; the reply line, or "" when the simulator did not answer (always
    // "" through a FIFO).
    std::string Control(const std::string& line) const;
    // The next line the simulator prints, "" after 5 s without one.
    std::string ReadStdoutLine();
    std::vector<std::string> LogLines() const;
    // Ends the process at once (SIGKILL), as a crash or a pulled cable would.
    void Kill();
    // Sends `signal` and waits up to 5 s for the process to end: its wait status, or -1 when
    // it did not end (it is killed then).
    int Stop(int signal);
    // Keeps the folder when the process goes (for a restart in the same place).
    void KeepFolder() { m_keepFolder = true; }

private:
    std::string m_dir;
    std::string m_control;
    std::string m_device;
    pid_t m_pid = -1;
    int m_stdout = -1;
    bool m_keepFolder = false;
};
