#pragma once

#include "persistence/AppData.h"

#include <QObject>
#include <QTimer>

// Saves the user data soon after it changed, once for all the changes made meanwhile, so a
// run of many quick exchanges does not write the whole document after each one. What is
// saved this way survives the program being killed; close() writes through to the disk.
class UserDataSaver final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UserDataSaver)

public:
    // A change is on the system at most delayMs after it was made.
    static constexpr int kDelayMs = 200;

    explicit UserDataSaver(AppData& app, int delayMs = kDelayMs, QObject* parent = nullptr);

    // The user data changed: a save follows within the delay.
    void changed();
    // Saves now, to the disk, whatever is pending; see AppData::SaveUserDataReported.
    bool close(bool repeat);
    bool pending() const { return m_timer.isActive(); }
    // Saves made so far, for the curious (tests).
    int saves() const { return m_saves; }

private:
    void save();

    AppData& m_app;
    QTimer m_timer;
    int m_saves = 0;
};
