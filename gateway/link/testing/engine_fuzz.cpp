#include "engine_fuzz.h"

#include <cstdlib>
#include <memory>
#include <string>

#include "engine_text.h"
#include "fake_modem.h"
#include "manual_clock.h"
#include "manual_timer_host.h"
#include "modem_engine.h"
#include "recording_event_sink.h"
#include "serial_port.h"
#include "test_pdus.h"

namespace {

class Script {
public:
    Script(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool Done() const { return m_pos >= m_size; }
    std::uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    std::string Bytes(std::size_t n)
    {
        std::string out;
        while (n-- > 0 && !Done())
            out += static_cast<char>(Byte());
        return out;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

const char* const kTokens[] = {
    "\r\nOK\r\n",
    "OK",
    "\r\nERROR\r\n",
    "ERROR",
    "\r\n+CMS ERROR: 500\r\n",
    "\r\n> ",
    ">",
    "\r\n+CMTI: \"SM\",",
    "\r\n+CMTI: \"ME\",3\r\n",
    "+CMTI",
    "\r\n+CDSI: \"SM\",1\r\n",
    "+CDS",
    "\r\n+CMGR: 0,,24\r\n",
    "\r\n+CMGL: ",
    "+CMGL: 1,",
    ",",
    "\"",
    "\r",
    "\n",
    "\r\n",
    "\r\n+CMGS: 12\r\n",
    "0004",
    "0006",
    "00040D91683118325476F8000862305121436523044F60597D",
    "\r\n+CMGR: 0,,24\r\n00040D91683118325476F8000862305121436523044F60597D\r\n\r\nOK\r\n",
    "\r\n+CMGL: 2,0,,24\r\n0004\r\n\r\nOK\r\n",
    "-1",
    "99999999999",
    "\x00",
    "\xC4\xE3",
};
constexpr std::size_t kTokenCount = sizeof kTokens / sizeof kTokens[0];

const char* const kCommands[] = {"ATE",     "AT+CMGF", "AT+CSMS", "AT+CMGS", FakeModem::kPdu, "AT+CMGL", "AT+CMGR",
                                 "AT+CMGD", "AT+CPMS", "AT+CSCA", "AT"};
constexpr std::size_t kCommandCount = sizeof kCommands / sizeof kCommands[0];

std::string Token(std::uint8_t selector)
{
    const char* token = kTokens[selector % kTokenCount];
    // The zero byte token is the one whose length strlen cannot tell.
    return token[0] == '\0' ? std::string(1, '\0') : std::string(token);
}

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

void FuzzEngineOnce(const std::uint8_t* data, std::size_t size)
{
    ManualTimerHost timers;
    ManualClock clock(ManualClock::DefaultStart(), [&timers] { return timers.NowMs(); });
    auto owned = std::make_unique<FakeModem>(timers);
    FakeModem& modem = *owned;
    CSerialPort port(std::move(owned));
    RecordingEventSink events;
    CModemEngine engine(port, timers, clock, events);
    engine.Start();
    engine.Connect("/dev/fuzz", 19200, 0);
    timers.RunTicks(12);

    Script script(data, size);
    auto check = [&] {
        Require(engine.Link().ReceiveBuffer().size() <= engine_text::kBufferLimit);
        if (const CModemTask* current = engine.Link().Current())
            Require(current->Buffer().size() <= engine_text::kBufferLimit);
        Require(engine.IsFreeStatus() == 0 || engine.IsFreeStatus() == 1);
    };
    int steps = 0;
    while (!script.Done() && ++steps < 4000) {
        const std::uint8_t op = script.Byte();
        switch (op % 10) {
        case 0:
        case 1:
            modem.Push(Token(script.Byte()));
            break;
        case 2:
            modem.Push(script.Bytes(script.Byte() % 64));
            break;
        case 3:
            modem.Push(std::string(script.Byte() * 64u, static_cast<char>(script.Byte())));
            break;
        case 4:
            modem.On(kCommands[script.Byte() % kCommandCount])
                .Reply(Token(script.Byte()))
                .After(script.Byte() % 4)
                .Times(1 + script.Byte() % 3);
            break;
        case 5:
            engine.SendSmsEx(script.Bytes(script.Byte() % 24), script.Bytes(script.Byte() % 200), script.Byte(),
                             script.Byte() & 1);
            break;
        case 6:
            switch (script.Byte() % 7) {
            case 0:
                engine.Connect("/dev/fuzz", 19200, 0);
                break;
            case 1:
                engine.Disconnect();
                break;
            case 2:
                engine.SetRecvFlag(script.Byte() & 1);
                break;
            case 3:
                engine.ScanTimer();
                break;
            case 4:
                engine.SetSendRate(static_cast<std::int16_t>(script.Byte() - 128));
                break;
            case 5:
                engine.SetSmsServerNumber(script.Bytes(script.Byte() % 16));
                break;
            default:
                modem.SetDead(script.Byte() & 1);
                break;
            }
            break;
        case 7:
            modem.Deliver(test_pdus::Deliver("13812345678", script.Bytes(script.Byte() % 40)));
            break;
        default:
            for (int i = script.Byte() % 40; i >= 0; --i) {
                timers.Advance(100);
                check();
            }
            break;
        }
        check();
    }
    // Every task ends by its own limit: run well past the longest one.
    for (int i = 0; i < 1000; ++i) {
        timers.Advance(100);
        check();
    }
}
