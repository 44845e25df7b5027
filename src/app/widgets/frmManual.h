#pragma once

#include "shell/widgets/FramedWindow.h"

class MessageSink;
class QTextBrowser;
class QUrl;

// The manual and licence, shipped as Markdown in the resources. Links within the manual
// scroll to their heading; other links go to the desktop (a message says when one is not
// allowed).
class frmManual final : public FramedWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmManual)

public:
    // messages must outlive the window.
    explicit frmManual(MessageSink& messages, QWidget* parent = nullptr);
    ~frmManual() override;

    // The manual's Markdown text; empty when the resource is missing.
    static QString manualText();

    QTextBrowser* textBox() const { return rtfManual; }
    // Follows a link of the manual as a click on it does.
    void openLink(const QUrl& url);

private:
    MessageSink& m_messages;
    QTextBrowser* rtfManual;
};
