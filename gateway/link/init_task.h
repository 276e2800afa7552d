#pragma once

#include <cstdint>

#include "modem_task.h"

// Puts the modem into the session's mode: echo off, the SIM asked whether it is ready, PDU
// mode, phase 2+ message service, then new-message and status-report notifications. The
// echo command is repeated every tick until the modem first answers, since a modem that
// just woke up may miss it.
class CInitTask final : public CModemTask {
public:
    static constexpr int kLimit = 30;
    // A SIM still starting is asked again every second, ten times at most.
    static constexpr int kSimAskTicks = 10;
    static constexpr int kSimAsks = 10;

    // What the modem said of its SIM. Without a SIM that is ready the modem accepts the
    // set-up commands and then silently neither sends nor receives.
    enum SimStatus : std::int32_t {
        kSimUnknown = 0, // not asked yet, or the modem does not know the question
        kSimReady = 1,
        kSimPinRequired = 2, // "+CPIN: SIM PIN" (also PIN2, PH-SIM PIN)
        kSimPukRequired = 3, // "+CPIN: SIM PUK" (also PUK2)
        kSimNotInserted = 4, // "+CME ERROR: 10" or 13 (SIM failure)
        kSimNotReady = 5,    // "NOT READY" or "+CME ERROR: 14" (busy) for ten seconds
    };

    explicit CInitTask(CSerialPort* port);

    int Tick() override;
    void OnData(std::string_view chunk) override;

    SimStatus Sim() const { return m_sim; }

private:
    static constexpr int kSimStep = 4;
    static constexpr int kSimWait = 5;

    void AnswerToSim();

    SimStatus m_sim = kSimUnknown;
    int m_simAsks = 0;
};
