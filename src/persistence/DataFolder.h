#pragma once

#include <QString>

// The program's data folder: configuration, user data, the body temporary file, the web
// services repository and the manual.
class DataFolder final
{
public:
    // The outcome of resolving the folder; error says why it could not be prepared.
    struct Resolution;

    DataFolder() = default;
    explicit DataFolder(const QString& path);

    // The absolute folder path; empty for a default-constructed folder.
    const QString& path() const { return m_path; }
    QString configFile() const; // pelorinconfig.xml
    QString userDataFile() const; // pelorinuser.xml
    QString bodyTempFile() const; // ~bodytmp.txt
    QString webservicesFolder() const; // webservices
    QString manualFile() const; // manual.rtf

    // Picks the folder: overrideDir when given; else executableDir when it holds
    // pelorinconfig.xml; else perUserDir. An override or per-user folder is created when
    // missing and seeded with the files it lacks (the configuration copied from seedConfig, an
    // empty user data file); existing files are never replaced. Fails when the folder cannot
    // be created or seeded.
    static Resolution Resolve(const QString& overrideDir, const QString& executableDir,
                              const QString& perUserDir, const QString& seedConfig);
    // The same with the running program's folder, QStandardPaths::AppDataLocation and the
    // configuration compiled into the program.
    static Resolution Resolve(const QString& overrideDir = {});

    // The user data of a first start: the root with its two empty sections.
    static QByteArray emptyUserData();

private:
    QString m_path;
};

struct DataFolder::Resolution
{
    DataFolder folder;
    QString error;
    explicit operator bool() const { return error.isEmpty(); }
};
