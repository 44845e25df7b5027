#pragma once

#include "shell/MessageSink.h"

#include <QList>
#include <QPointer>
#include <QWidget>

// The program's MessageSink: each message is a modal message box over a parent window.
// Tests switch it to non-interactive mode, where nothing is shown: every message is
// recorded and questions are answered from a queue.
class MessageBoxSink final : public MessageSink
{
public:
    struct Shown
    {
        QString text;
        QString title;
        Icon icon;
    };

    // Boxes are shown over parent (may be null; a deleted parent is treated as null).
    explicit MessageBoxSink(QWidget* parent = nullptr);

    // Shows text in a box with an OK button and the icon's picture (Error as critical).
    void showMessage(const QString& text, const QString& title, Icon icon) override;
    // Shows a question with Yes and No; true for Yes.
    bool askYesNo(const QString& text, const QString& title) override;

    // Test hook, for every sink in the process: while on, nothing is shown.
    static void setNonInteractive(bool on);
    static bool isNonInteractive();
    // Queues the answer of the next question asked while non-interactive (then: No).
    static void setNextAnswer(bool yes);
    // The messages and questions recorded while non-interactive, oldest first; clears them.
    static QList<Shown> takeShown();

private:
    QPointer<QWidget> m_parent;
};
