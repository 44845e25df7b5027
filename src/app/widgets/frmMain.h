#pragma once

#include "shell/DialogPlacer.h"

#include <QMainWindow>

#include <functional>

class AppData;
class MessageSink;
class QAction;
class QMdiArea;
class UserDataSaver;
class frmBrowser;
class frmControlPanel;
class frmCookies;
class frmHistory;
class frmManual;
class WebServices;

// The program's frame: the document area holding the request window and the other windows,
// the tool bar, and the start-up and shut-down sequences.
class frmMain final : public QMainWindow, public DialogPlacer
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    // Makes the window for the web services repository (the "soap" button); the main window
    // owns it and shows the same one again when reopened.
    using WindowFactory = std::function<QWidget*()>;

    // app and messages must outlive the window.
    frmMain(AppData& app, MessageSink& messages, QWidget* parent = nullptr);
    ~frmMain() override;

    // Loads the configuration, opens the request window, loads the user data and opens
    // requestFileArgument when it names a request file. False when the configuration could
    // not be loaded (the message was shown) or the XML library does not work (the
    // prerequisite window was shown): the program must end with a non-zero status.
    bool startUp(const QString& requestFileArgument = QString());
    // Saves the user data (once), closes every window, most recent first, and quits.
    void ShutDown();

    // Centres form horizontally over this window and places it at one third of its height.
    void CenterFormOnMe(QWidget* form) override;

    frmBrowser* browser() const { return m_browser; }
    QMdiArea* area() const { return m_area; }
    // The tool bar action with that tag ("history", ..., "exit"), or null.
    QAction* toolbarAction(const QString& tag) const;

    // Enables the "soap" button, which then opens the window factory makes.
    void setRepositoryWindowFactory(WindowFactory factory);

    // The tool windows, made (hidden, filled from the stores and the settings) when first
    // asked for: a start shows none of them.
    frmCookies* cookieWindow();
    frmHistory* historyWindow();
    frmControlPanel* controlPanel();
    // The web services tools (repository, wizard); null before startUp.
    WebServices* webServices() const { return m_webServices; }
    // Null until the manual was first opened.
    frmManual* manualWindow() const { return m_manual; }

    // Shows the prerequisite window modally; the program must end afterwards.
    void ShowPrerequisiteWindow();
    // Shows the about window modally.
    void ShowAbout();

    // None: the tool bar holds Exit, and no context menu may offer to hide it.
    QMenu* createPopupMenu() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildToolbar();
    void toolbarClicked(QAction* action);
    void openToolWindow(QWidget* window);

    AppData& m_app;
    MessageSink& m_messages;
    UserDataSaver* m_saver;
    QMdiArea* m_area;
    frmBrowser* m_browser = nullptr;
    frmControlPanel* m_panel = nullptr;
    frmCookies* m_cookies = nullptr;
    frmHistory* m_history = nullptr;
    frmManual* m_manual = nullptr;
    WebServices* m_webServices = nullptr;
    QWidget* m_repository = nullptr;
    WindowFactory m_repositoryFactory;
    QList<QAction*> m_actions;
    bool m_shutDown = false;
    bool m_configurationLoaded = false;
};
