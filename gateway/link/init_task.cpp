#include "init_task.h"

#include <string>

#include "engine_text.h"

CInitTask::CInitTask(CSerialPort* port) : CModemTask(port, kInit, kLimit) {}

int CInitTask::Tick()
{
    ++m_ticks;
    if (m_state == kDone || m_state <= kFailed)
        return 0;
    if (m_state == 1 && m_ticks < 20) {
        m_state = 0;
        OnData({});
    }
    if (m_state == kSimWait && m_ticks >= kSimAskTicks) {
        m_ticks = 0;
        m_buffer.clear();
        Write("AT+CPIN?\r\n");
        m_state = kSimStep;
    }
    if (m_ticks > m_limit)
        m_state = kFailed;
    return 1;
}

void CInitTask::OnData(std::string_view chunk)
{
    // Ticks are deliberately not reset here: each step has 30 ticks from the previous one.
    m_limit = kLimit;
    if (!chunk.empty())
        AppendToBuffer(chunk);
    switch (m_state) {
    case 0:
        m_buffer.clear();
        Write("ATE\r\n");
        m_state = 1;
        break;
    case 1:
        if (BufferHas("OK")) {
            m_buffer.clear();
            m_ticks = 0;
            ++m_simAsks;
            Write("AT+CPIN?\r\n");
            m_state = kSimStep;
        } else if (BufferHas("ERROR")) {
            m_ticks = m_limit;
            m_state = kFailed;
        }
        break;
    case kSimStep:
        AnswerToSim();
        break;
    case 2:
        if (BufferHas("OK")) {
            m_buffer.clear();
            m_ticks = 0;
            Write("AT+CSMS=1\r\n");
            m_state = 3;
        } else if (BufferHas("ERROR")) {
            m_ticks = m_limit;
            m_state = kFailed;
        }
        break;
    case 3:
        if (BufferHas("OK")) {
            m_buffer.clear();
            // The reply to the notification setting is not awaited.
            Write("AT+CNMI=1,1,0,2,1\r\n");
            m_ticks = -15;
            m_state = kDone;
        } else if (BufferHas("ERROR")) {
            m_ticks = -10;
            m_state = kFailed;
        }
        break;
    default:
        break;
    }
}

void CInitTask::AnswerToSim()
{
    const std::size_t pin = m_buffer.find("+CPIN:");
    const bool pinLine = pin != std::string::npos && m_buffer.find('\r', pin) != std::string::npos;
    const bool meError = m_buffer.find("+CME ERROR:") != std::string::npos && engine_text::HasErrorAnswer(m_buffer);
    SimStatus status = kSimUnknown;
    if (pinLine) {
        // The words after "+CPIN:" up to the end of the line.
        std::string_view line = std::string_view(m_buffer).substr(pin + 6);
        line = line.substr(0, line.find('\r'));
        if (engine_text::Contains(line, "READY") && !engine_text::Contains(line, "NOT READY"))
            status = BufferHas("OK") ? kSimReady : kSimUnknown;
        else if (engine_text::Contains(line, "PUK"))
            status = kSimPukRequired;
        else if (engine_text::Contains(line, "PIN"))
            status = kSimPinRequired;
        else
            status = kSimNotReady;
        if (status == kSimUnknown)
            return; // READY seen, its OK still to come
    } else if (meError) {
        const std::size_t at = m_buffer.find("+CME ERROR:");
        const int code = engine_text::ParseDecimal(std::string_view(m_buffer).substr(at + 11));
        status = code == 10 || code == 13 ? kSimNotInserted
                 : code == 11             ? kSimPinRequired
                 : code == 12             ? kSimPukRequired
                 : code == 14             ? kSimNotReady
                                          : kSimUnknown;
    } else if (!BufferHas("OK") && !BufferHas("ERROR")) {
        return; // no answer yet
    }

    if (status == kSimNotReady && m_simAsks < kSimAsks) {
        ++m_simAsks;
        m_buffer.clear();
        m_ticks = 0;
        m_state = kSimWait;
        return;
    }
    m_sim = status;
    if (status != kSimReady && status != kSimUnknown) {
        m_ticks = m_limit;
        m_state = kFailed;
        return;
    }
    // Ready, or a modem that does not know the question (plain OK or ERROR): carry on.
    m_buffer.clear();
    m_ticks = 0;
    Write("AT+CMGF=0\r\n");
    m_state = 2;
}
