#pragma once

#include <string>

// Where the data layer puts the few texts it shows the operator (the disconnect notice,
// ExecuteSql's error box). The console installs one that opens real message boxes;
// tests install one that records what was shown.
enum class MessageIcon { None = 0, Information = 1 };

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void Show(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
};

// The sink in use; a default one writes to stderr. Passing nullptr restores the default.
MessageSink& CurrentMessageSink();
void SetMessageSink(MessageSink* sink);

// The caption of plain message boxes: the application's name.
const std::string& ApplicationName();
void SetApplicationName(const std::string& name);
