#pragma once

#include "message_sink.h"

#include <string>
#include <vector>

// Records what the data layer shows instead of showing it; installs itself for its
// lifetime.
class RecordingMessageSink final : public MessageSink {
public:
    struct Shown {
        std::string text;
        std::string caption;
        MessageIcon icon;
    };

    RecordingMessageSink();
    ~RecordingMessageSink() override;

    void Show(const std::string& text, const std::string& caption, MessageIcon icon) override;
    const std::vector<Shown>& Messages() const { return m_messages; }
    void Clear() { m_messages.clear(); }

private:
    std::vector<Shown> m_messages;
};
