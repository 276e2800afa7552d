#pragma once

#include "dialogs.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

// Dialogs for tests: records every prompt and answers from queues, one queue per kind of
// prompt, without showing anything. A notice needs no answer (OK is its only button); any
// other prompt that finds its queue empty is cancelled and counted as unanswered.
class ScriptedDialogs final : public Dialogs {
public:
    enum class Kind { Notice, Question, Plain, Administrator, ReplyText, RecipientNumber, OpenFile, SaveFile };
    struct Prompt {
        Kind kind;
        QString text;    // the message, or the chooser's title
        QString caption; // plain boxes only
    };

    // Installs itself for its lifetime.
    ScriptedDialogs();
    ~ScriptedDialogs() override;
    ScriptedDialogs(const ScriptedDialogs&) = delete;
    ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

    void AnswerQuestion(bool ok) { m_questions.push_back(ok); }
    void AnswerAdministrator(bool ok) { m_administrator.push_back(ok); }
    void AnswerReplyText(std::optional<QString> text) { m_replies.push_back(std::move(text)); }
    void AnswerRecipientNumber(std::optional<QString> number) { m_numbers.push_back(std::move(number)); }
    void AnswerOpenFile(std::optional<QString> path) { m_openFiles.push_back(std::move(path)); }
    void AnswerSaveFile(std::optional<QString> path) { m_saveFiles.push_back(std::move(path)); }

    // Called while a prompt is open, before it answers: a test can act "during" a prompt.
    void SetOnPrompt(std::function<void(const Prompt&)> handler) { m_onPrompt = std::move(handler); }

    const std::vector<Prompt>& Prompts() const { return m_prompts; }
    // The texts of notices, questions and plain boxes, in order.
    QStringList Messages() const;
    int Unanswered() const { return m_unanswered; }
    // Queued answers nobody asked for.
    int Unused() const;
    void Clear();

    bool ShowMessage(const QString& text, bool withCancel) override;
    void PlainMessage(const QString& text, const QString& caption, bool information) override;
    bool VerifyAdministrator() override;
    std::optional<QString> AskReplyText() override;
    std::optional<QString> AskRecipientNumber() override;
    std::optional<QString> ChooseOpenFile(const FileChoice& choice) override;
    std::optional<QString> ChooseSaveFile(const FileChoice& choice) override;

private:
    void Record(Kind kind, const QString& text, const QString& caption = QString());
    // The next answer of a queue; cancel when it is empty.
    bool Take(std::deque<bool>& queue);
    std::optional<QString> Take(std::deque<std::optional<QString>>& queue);

    std::vector<Prompt> m_prompts;
    std::deque<bool> m_questions;
    std::deque<bool> m_administrator;
    std::deque<std::optional<QString>> m_replies;
    std::deque<std::optional<QString>> m_numbers;
    std::deque<std::optional<QString>> m_openFiles;
    std::deque<std::optional<QString>> m_saveFiles;
    std::function<void(const Prompt&)> m_onPrompt;
    int m_unanswered = 0;
};
