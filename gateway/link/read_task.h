#pragma once

#include <string>

#include "message_record.h"
#include "modem_task.h"
#include "pdu_codec.h"

class LinkClock;

// Reads one stored item ("AT+CMGR"), decodes it and deletes it ("AT+CMGD"), selecting the
// storage first when the modem has another one selected. The item is deleted whether or
// not it could be decoded.
class CReadTask final : public CModemTask {
public:
    CReadTask(CSerialPort* port, const LinkClock* clock, std::string storage, int index, int reportFlag);

    void OnData(std::string_view chunk) override;

    const std::string& Storage() const { return m_storage; }
    int Index() const { return m_index; }
    // 0 a received message is expected, 1 a delivery report.
    int ReportFlag() const { return m_reportFlag; }
    const MessageRecord& Record() const { return m_record; }
    const DeliveryReport& Report() const { return m_report; }
    // The reply was read and the delete written: the modem no longer holds the item.
    bool Decoded() const { return m_state == 3 || m_state == kDone; }
    // Where the message belongs when it is one part of a longer one (total 0 otherwise).
    const ConcatPart& Part() const { return m_part; }

private:
    void ReadReply();

    const LinkClock* m_clock;
    std::string m_storage;
    int m_index;
    int m_reportFlag;
    MessageRecord m_record;
    DeliveryReport m_report;
    ConcatPart m_part;
};
