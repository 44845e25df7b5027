#pragma once

#include "shell/DialogPlacer.h"

#include <QMainWindow>

class AppData;
class MessageSink;
class QAction;
class QMdiArea;
class frmBrowser;

// The program's frame: the document area holding the request window and the other windows,
// the tool bar, and the start-up and shut-down sequences.
class frmMain final : public QMainWindow, public DialogPlacer
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    // app and messages must outlive the window.
    frmMain(AppData& app, MessageSink& messages, QWidget* parent = nullptr);
    ~frmMain() override;

    // Loads the configuration, opens the request window, loads the user data and opens
    // requestFileArgument when it names a request file. False when the configuration could
    // not be loaded (the message was shown): the program must end with a non-zero status.
    bool startUp(const QString& requestFileArgument = QString());
    // Saves the user data (once), closes every window, most recent first, and quits.
    void ShutDown();

    // Centres form horizontally over this window and places it at one third of its height.
    void CenterFormOnMe(QWidget* form) override;

    frmBrowser* browser() const { return m_browser; }
    QMdiArea* area() const { return m_area; }
    // The tool bar action with that tag ("history", ..., "exit"), or null.
    QAction* toolbarAction(const QString& tag) const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildToolbar();

    AppData& m_app;
    MessageSink& m_messages;
    QMdiArea* m_area;
    frmBrowser* m_browser = nullptr;
    QList<QAction*> m_actions;
    bool m_shutDown = false;
};
