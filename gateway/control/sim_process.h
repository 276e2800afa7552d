#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// A gsm-modem-sim process for the control's integration tests: in a scratch folder, with a
// fixed link to its device, a log of what it received and a control socket.
class SimProcess final {
public:
    // folder: reuse a folder (a restart keeps the link path); empty makes a new one.
    explicit SimProcess(const std::string& folder = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool Started() const { return !m_device.empty(); }
    const std::string& Folder() const { return m_dir; }
    std::string Link() const { return m_dir + "/modem"; }
    std::string LogPath() const { return m_dir + "/modem.jsonl"; }
    // One control line; the reply line, or "" when the simulator did not answer.
    std::string Control(const std::string& line) const;
    std::vector<std::string> LogLines() const;
    // Ends the process at once (SIGKILL), as a crash or a pulled cable would.
    void Kill();
    // Keeps the folder when the process goes (for a restart in the same place).
    void KeepFolder() { m_keepFolder = true; }

private:
    std::string m_dir;
    std::string m_device;
    pid_t m_pid = -1;
    bool m_keepFolder = false;
};
