#include "recording_message_sink.h"

RecordingMessageSink::RecordingMessageSink()
{
    SetMessageSink(this);
}

RecordingMessageSink::~RecordingMessageSink()
{
    SetMessageSink(nullptr);
}

void RecordingMessageSink::Show(const std::string& text, const std::string& caption, MessageIcon icon)
{
    m_messages.push_back(Shown{text, caption, icon});
}
