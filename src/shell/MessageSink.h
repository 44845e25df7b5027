#pragma once

#include <QString>

// Where user-facing messages go: message boxes in the program, standard error when
// headless, a recorder in tests. Nothing behind this interface may wait for a person
// when no one is there.
class MessageSink
{
public:
    enum class Icon { None, Information, Warning, Error, Critical, Question };

    virtual ~MessageSink() = default;

    // Shows text under a short title; returns once acknowledged (at once when headless).
    virtual void showMessage(const QString& text, const QString& title, Icon icon) = 0;
    // Asks a yes/no question; true means yes. Headless sinks answer without waiting.
    virtual bool askYesNo(const QString& text, const QString& title) = 0;
};

// Writes messages to standard error and answers questions with a fixed answer.
class StderrMessageSink final : public MessageSink
{
public:
    explicit StderrMessageSink(bool answer = false)
        : m_answer(answer)
    { }
    void showMessage(const QString& text, const QString& title, Icon icon) override;
    bool askYesNo(const QString& text, const QString& title) override;

private:
    bool m_answer;
};
