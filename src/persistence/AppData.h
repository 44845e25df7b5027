#pragma once

#include "persistence/AutoSettings.h"
#include "persistence/Configuration.h"
#include "persistence/CookieStore.h"
#include "persistence/DataFolder.h"
#include "persistence/FileReplace.h"
#include "persistence/HistoryStore.h"
#include "persistence/XmlDocument.h"

#include <QString>

class MessageSink;
class SettingsPanel;

// The program's persistent state for one run: the configuration, the automatic settings, the
// user data document and the two stores over it. Shared by the main window and headless runs.
class AppData final
{
    Q_DISABLE_COPY_MOVE(AppData)
public:
    // How the user data came in.
    enum class UserDataState {
        NotLoaded, // LoadUserData has not run
        Loaded, // read from the file (a missing section was added)
        FirstStart, // no file yet: empty sections, written at close
        MovedAside, // malformed: renamed aside (brokenFileCopy()), empty sections
        KeptUnreadable, // malformed or unreadable and could not be renamed: never overwritten
    };

    AppData(const DataFolder& folder, MessageSink& sink);

    const DataFolder& folder() const { return m_folder; }
    Configuration& configuration() { return m_config; }
    AutoSettings& settings() { return m_settings; }
    XmlDocument& userData() { return m_userData; }
    CookieStore& cookies() { return m_cookies; }
    HistoryStore& history() { return m_history; }
    UserDataState userDataState() const { return m_state; }
    // Where a malformed user data file was moved; empty when none was.
    const QString& brokenFileCopy() const { return m_brokenCopy; }

    // Start-up: loads the configuration, sets the settings and lists them and the help links in
    // panel (may be null). False after showing the error: the program must end with a non-zero
    // status.
    bool LoadConfiguration(SettingsPanel* panel);

    // Start-up: loads the user data (see UserDataState; a malformed file is reported through the
    // sink with where it went), then fills the history viewer and the request window's server
    // list (LoadHistory) and the cookie viewer (LoadStoredCookies) through the stores. The
    // request window refills its URL list itself afterwards.
    UserDataState LoadUserData();

    // Closing: writes the user data document atomically. Fails with the reason when it could not
    // be written (or must not be, see KeptUnreadable); the file on disk is then unchanged.
    Result SaveUserData(Flush flush = Flush::ToDisk) const;
    // Saves the user data and tells the user through the sink, naming the file and the reason,
    // when that fails; a failure already told is told again only when repeat is true or a save
    // succeeded in between. Data that was kept unread (KeptUnreadable) is left alone quietly:
    // the user was told at start-up. Returns whether the data is safe on disk. The saves after
    // each exchange flush only to the system, the closing one to the disk.
    bool SaveUserDataReported(bool repeat, Flush flush = Flush::ToDisk);
    // True once any save through SaveUserDataReported has failed in this run.
    bool saveFailed() const { return m_saveFailed; }

private:
    void startEmpty();
    void reportBroken(const XmlParseError& error);

    DataFolder m_folder;
    MessageSink& m_sink;
    Configuration m_config;
    AutoSettings m_settings;
    XmlDocument m_userData;
    CookieStore m_cookies;
    HistoryStore m_history;
    UserDataState m_state = UserDataState::NotLoaded;
    QString m_brokenCopy;
    bool m_saveFailed = false;
    bool m_failureTold = false;
};
