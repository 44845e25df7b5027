#pragma once

#include "analysis/ResultSink.h"
#include "shell/LogSink.h"
#include "shell/MessageSink.h"

#include <QByteArray>
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

// Keeps what an exchange writes into its result window. Pages are kept in the order they
// were added (no limit of seven); text goes to the newest page, or the log before any.
class ResultRecorder final : public ResultSink
{
public:
    struct Page
    {
        QString caption;
        int kind;
        bool selected;
        QByteArray text;
    };

    void AddToLog(const QString& message) override { log.append(message); }
    void ClearResults() override
    {
        log.clear();
        logText.clear();
        pages.clear();
        caption = QStringLiteral("-");
        ++clears;
    }
    void AddResultTab(const QString& sCaption, int lType, bool bSelect) override
    {
        pages.append({ sCaption, lType, bSelect, {} });
    }
    using ResultSink::AddResultText;
    void AddResultText(const QByteArray& sText) override
    {
        (pages.isEmpty() ? logText : pages.last().text) += sText;
    }
    void setCaption(const QString& text) override { caption = text; }
    void showTiming(const QString& summary) override { timing = summary; }

    QStringList log;
    QByteArray logText; // AddResultText before any tab
    QList<Page> pages;
    QString caption;
    QString timing;
    int clears = 0;
};
