#pragma once

#include "message_sink.h"

// Shows the data layer's notices (a statement's error text, the lost-connection notice)
// as plain message boxes through the Dialogs in use.
class DialogsMessageSink final : public MessageSink {
public:
    void Show(const std::string& text, const std::string& caption, MessageIcon icon) override;
};
