#pragma once

#include <string>

#include "modem_task.h"

// Writes one AT command and waits for OK or ERROR; used to set the service centre number.
// Its completion raises no event.
class CCommandTask final : public CModemTask {
public:
    CCommandTask(CSerialPort* port, std::string command);

    void OnData(std::string_view chunk) override;
    const std::string& Command() const { return m_command; }

private:
    std::string m_command;
};
