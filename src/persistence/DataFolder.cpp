#include "persistence/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

const auto kConfigName = u"pelorinconfig.xml"_s;

// Creates folder when missing and adds whatever of the two files it lacks.
QString prepare(const QString& folder, const QString& seedConfig)
{
    if (!QDir().mkpath(folder))
        return u"Cannot create the data folder %1"_s.arg(folder);
    const DataFolder data(folder);
    if (!QFileInfo::exists(data.configFile())) {
        QFile seed(seedConfig);
        if (!seed.copy(data.configFile()))
            return u"Cannot copy the configuration to %1: %2"_s.arg(data.configFile(),
                                                                    seed.errorString());
        // Copies out of the resources come out read-only.
        QFile::setPermissions(data.configFile(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                  | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    }
    if (!QFileInfo::exists(data.userDataFile())) {
        QFile user(data.userDataFile());
        const QByteArray bytes = DataFolder::emptyUserData();
        if (!user.open(QIODevice::WriteOnly | QIODevice::NewOnly)
            || user.write(bytes) != bytes.size())
            return u"Cannot create %1: %2"_s.arg(data.userDataFile(), user.errorString());
    }
    return {};
}

} // namespace

DataFolder::DataFolder(const QString& path)
    : m_path(QDir(path).absolutePath())
{ }

QString DataFolder::configFile() const
{
    return QDir(m_path).filePath(kConfigName);
}

QString DataFolder::userDataFile() const
{
    return QDir(m_path).filePath(u"pelorinuser.xml"_s);
}

QString DataFolder::bodyTempFile() const
{
    return QDir(m_path).filePath(u"~bodytmp.txt"_s);
}

QString DataFolder::webservicesFolder() const
{
    return QDir(m_path).filePath(u"webservices"_s);
}

QString DataFolder::manualFile() const
{
    return QDir(m_path).filePath(u"manual.rtf"_s);
}

QByteArray DataFolder::emptyUserData()
{
    return "<?xml version=\"1.0\"?>\n<userdata>\n  <cookies />\n  <history />\n</userdata>\n"_ba;
}

DataFolder::Resolution DataFolder::Resolve(const QString& overrideDir, const QString& executableDir,
                                           const QString& perUserDir, const QString& seedConfig)
{
    QString folder;
    if (!overrideDir.isEmpty())
        folder = overrideDir;
    else if (!executableDir.isEmpty()
             && QFileInfo::exists(QDir(executableDir).filePath(kConfigName)))
        return { DataFolder(executableDir), {} };
    else
        folder = perUserDir;
    if (folder.isEmpty())
        return { DataFolder(), u"No folder for the program's data was found"_s };
    const QString error = prepare(folder, seedConfig);
    return { error.isEmpty() ? DataFolder(folder) : DataFolder(), error };
}

DataFolder::Resolution DataFolder::Resolve(const QString& overrideDir)
{
    return Resolve(overrideDir, QCoreApplication::applicationDirPath(),
                   QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
                   u":/pelorinconfig.xml"_s);
}
