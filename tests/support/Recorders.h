#pragma once

#include "shell/LogSink.h"
#include "shell/MessageSink.h"

#include <QList>
#include <QString>
#include <QStringList>

// Keeps every log line for inspection.
class LogRecorder final : public LogSink
{
public:
    void AddToLog(const QString& message) override { lines.append(message); }
    QStringList lines;
};

// Keeps every message and answers questions from a queue (then with the default).
class MessageRecorder final : public MessageSink
{
public:
    struct Message
    {
        QString text;
        QString title;
        Icon icon;
    };

    void showMessage(const QString& text, const QString& title, Icon icon) override
    {
        messages.append({ text, title, icon });
    }
    bool askYesNo(const QString& text, const QString& title) override
    {
        messages.append({ text, title, Icon::Question });
        return answers.isEmpty() ? defaultAnswer : answers.takeFirst();
    }
    QStringList texts() const
    {
        QStringList out;
        for (const Message& m : messages)
            out.append(m.text);
        return out;
    }

    QList<Message> messages;
    QList<bool> answers;
    bool defaultAnswer = false;
};
