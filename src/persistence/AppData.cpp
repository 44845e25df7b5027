#include "persistence/AppData.h"

#include "BuildInfo.h"
#include "shell/MessageSink.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

AppData::AppData(const DataFolder& folder, MessageSink& sink)
    : m_folder(folder)
    , m_sink(sink)
    , m_config(sink)
    , m_cookies(m_userData, sink)
    , m_history(m_userData, sink)
{ }

bool AppData::LoadConfiguration(SettingsPanel* panel)
{
    return m_config.LoadConfiguration(m_folder.configFile(), m_settings, panel);
}

void AppData::startEmpty()
{
    m_userData.loadXML(DataFolder::emptyUserData());
}

AppData::UserDataState AppData::LoadUserData()
{
    m_brokenCopy.clear();
    const QString path = m_folder.userDataFile();
    if (!QFileInfo::exists(path)) {
        startEmpty();
        m_state = UserDataState::FirstStart;
    } else if (m_userData.load(path,
                               { .keepLineEnds = false,
                                 .requiredRoot = u"userdata"_s,
                                 .largeSectionsOf = {} })) {
        // Older or hand-edited files may lack a section; adding it loses nothing.
        XmlNode root = m_userData.documentElement();
        for (const QString& section : { u"cookies"_s, u"history"_s }) {
            if (!root.child(section))
                root.appendElement(section);
        }
        m_state = UserDataState::Loaded;
    } else {
        reportBroken(m_userData.parseError());
        startEmpty();
    }
    m_history.LoadHistory();
    m_cookies.LoadStoredCookies();
    return m_state;
}

void AppData::reportBroken(const XmlParseError& error)
{
    const QString path = m_folder.userDataFile();
    QString text = u"Error parsing pelorinuser.xml: (line %1) %2"_s.arg(QString::number(error.line),
                                                                        error.reason);
    // Nothing the user had may be lost: the broken file goes aside before anything is written.
    QString copy;
    if (error.kind == XmlParseError::Kind::Syntax) {
        const QString base
            = path + u".broken-"_s + QDateTime::currentDateTime().toString(u"yyyyMMdd-hhmmss"_s);
        copy = base;
        for (int n = 2; QFileInfo::exists(copy); ++n)
            copy = base + u'-' + QString::number(n);
        if (!QFile::rename(path, copy))
            copy.clear();
    }
    if (!copy.isEmpty()) {
        m_brokenCopy = copy;
        m_state = UserDataState::MovedAside;
        text += u"\n\nThe file was renamed to %1. This session starts without stored cookies "
                "and history."_s.arg(copy);
    } else {
        m_state = UserDataState::KeptUnreadable;
        text += u"\n\nThe file is left as it is; cookies and history of this session will "
                "not be saved."_s;
    }
    m_sink.showMessage(text, QStringLiteral(PELORIN_PRODUCT_NAME), MessageSink::Icon::Error);
}

Result AppData::SaveUserData(Flush flush) const
{
    if (m_state == UserDataState::KeptUnreadable || m_state == UserDataState::NotLoaded)
        return Result::failure(
            u"%1 was not loaded and is left unchanged"_s.arg(m_folder.userDataFile()));
    return m_userData.save(m_folder.userDataFile(), XmlFormat::Indented, flush);
}

bool AppData::SaveUserDataReported(bool repeat, Flush flush)
{
    if (m_state == UserDataState::KeptUnreadable || m_state == UserDataState::NotLoaded)
        return true;
    const Result saved = SaveUserData(flush);
    if (saved) {
        m_failureTold = false;
        return true;
    }
    m_saveFailed = true;
    if (repeat || !m_failureTold) {
        m_failureTold = true;
        m_sink.showMessage(u"Cookies and history could not be saved to %1:\n%2"_s.arg(
                               m_folder.userDataFile(), saved.text),
                           u"Error"_s, MessageSink::Icon::Error);
    }
    return false;
}
