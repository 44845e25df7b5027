#include "persistence/UserDataSaver.h"

UserDataSaver::UserDataSaver(AppData& app, int delayMs, QObject* parent)
    : QObject(parent)
    , m_app(app)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(delayMs);
    connect(&m_timer, &QTimer::timeout, this, &UserDataSaver::save);
}

void UserDataSaver::changed()
{
    if (!m_timer.isActive())
        m_timer.start();
}

bool UserDataSaver::close(bool repeat)
{
    m_timer.stop();
    ++m_saves;
    return m_app.SaveUserDataReported(repeat, Flush::ToDisk);
}

void UserDataSaver::save()
{
    ++m_saves;
    m_app.SaveUserDataReported(false, Flush::ToSystem);
}
