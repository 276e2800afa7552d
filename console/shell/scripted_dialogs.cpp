#include "scripted_dialogs.h"

ScriptedDialogs::ScriptedDialogs()
{
    SetDialogs(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    SetDialogs(nullptr);
}

QStringList ScriptedDialogs::Messages() const
{
    QStringList texts;
    for (const Prompt& prompt : m_prompts)
        if (prompt.kind == Kind::Notice || prompt.kind == Kind::Question || prompt.kind == Kind::Plain)
            texts << prompt.text;
    return texts;
}

int ScriptedDialogs::Unused() const
{
    return static_cast<int>(m_questions.size() + m_administrator.size() + m_replies.size() + m_numbers.size() +
                            m_openFiles.size() + m_saveFiles.size());
}

void ScriptedDialogs::Clear()
{
    m_prompts.clear();
    m_questions.clear();
    m_administrator.clear();
    m_replies.clear();
    m_numbers.clear();
    m_openFiles.clear();
    m_saveFiles.clear();
    m_unanswered = 0;
}

void ScriptedDialogs::Record(Kind kind, const QString& text, const QString& caption)
{
    m_prompts.push_back(Prompt{kind, text, caption});
    if (m_onPrompt)
        m_onPrompt(m_prompts.back());
}

bool ScriptedDialogs::Take(std::deque<bool>& queue)
{
    if (queue.empty()) {
        ++m_unanswered;
        return false;
    }
    const bool answer = queue.front();
    queue.pop_front();
    return answer;
}

std::optional<QString> ScriptedDialogs::Take(std::deque<std::optional<QString>>& queue)
{
    if (queue.empty()) {
        ++m_unanswered;
        return std::nullopt;
    }
    if (!queue.front()) {
        queue.pop_front();
        return std::nullopt;
    }
    const QString answer = *queue.front();
    queue.pop_front();
    return answer;
}

bool ScriptedDialogs::ShowMessage(const QString& text, bool withCancel)
{
    Record(withCancel ? Kind::Question : Kind::Notice, text);
    return withCancel ? Take(m_questions) : true;
}

void ScriptedDialogs::PlainMessage(const QString& text, const QString& caption, bool)
{
    Record(Kind::Plain, text, caption);
}

bool ScriptedDialogs::VerifyAdministrator()
{
    Record(Kind::Administrator, QString());
    return Take(m_administrator);
}

std::optional<QString> ScriptedDialogs::AskReplyText()
{
    Record(Kind::ReplyText, QString());
    return Take(m_replies);
}

std::optional<QString> ScriptedDialogs::AskRecipientNumber()
{
    Record(Kind::RecipientNumber, QString());
    return Take(m_numbers);
}

std::optional<QString> ScriptedDialogs::ChooseOpenFile(const FileChoice& choice)
{
    Record(Kind::OpenFile, choice.title);
    return Take(m_openFiles);
}

std::optional<QString> ScriptedDialogs::ChooseSaveFile(const FileChoice& choice)
{
    Record(Kind::SaveFile, choice.title);
    return Take(m_saveFiles);
}
