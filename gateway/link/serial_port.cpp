#include "serial_port.h"

#include "termios_port.h"

CSerialPort::CSerialPort() : CSerialPort(std::make_unique<TermiosPort>()) {}

CSerialPort::CSerialPort(std::unique_ptr<BytePort> port) : m_port(std::move(port)) {}

CSerialPort::~CSerialPort()
{
    Close();
}

bool CSerialPort::Open(const std::string& name, int baud)
{
    m_open = m_port->Open(name, baud, m_modemType);
    return m_open;
}

int CSerialPort::Read(char* buffer, std::size_t capacity)
{
    if (!m_open) {
        return -1;
    }
    return m_port->Read(buffer, capacity);
}

int CSerialPort::Write(const char* bytes, std::size_t length)
{
    if (!m_open) {
        return 0;
    }
    return m_port->Write(bytes, length);
}

void CSerialPort::DiscardOutput()
{
    if (m_open) {
        m_port->DiscardOutput();
    }
}

bool CSerialPort::Close()
{
    m_port->Close();
    m_open = false;
    return true;
}
