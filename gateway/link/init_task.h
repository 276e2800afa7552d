#pragma once

#include "modem_task.h"

// Puts the modem into the session's mode: echo off, PDU mode, phase 2+ message service,
// then new-message and status-report notifications. The echo command is repeated every
// tick until the modem first answers, since a modem that just woke up may miss it.
class CInitTask final : public CModemTask {
public:
    static constexpr int kLimit = 30;

    explicit CInitTask(CSerialPort* port);

    int Tick() override;
    void OnData(std::string_view chunk) override;
};
