#include "message_sink.h"

#include <cstdio>

namespace {

class StderrSink final : public MessageSink {
public:
    void Show(const std::string& text, const std::string& caption, MessageIcon) override
    {
        std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    }
};

StderrSink g_defaultSink;
MessageSink* g_sink = nullptr;
std::string g_applicationName = "Kelvane";

} // namespace

MessageSink& CurrentMessageSink()
{
    return g_sink ? *g_sink : g_defaultSink;
}

void SetMessageSink(MessageSink* sink)
{
    g_sink = sink;
}

const std::string& ApplicationName()
{
    return g_applicationName;
}

void SetApplicationName(const std::string& name)
{
    g_applicationName = name;
}
