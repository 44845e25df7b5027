#include "FuzzSupport.h"
#include "message/HTTPRequest.h"
#include "persistence/AppData.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// Any user data file either loads, and then the stores work on it and what is saved loads back
// as the same document, or is set aside with a message and never overwritten.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    QDir(dir.path()).removeRecursively();
    QDir().mkpath(dir.path());
    const DataFolder folder(dir.path());
    {
        QFile f(folder.userDataFile());
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    QuietSinks sinks;
    AppData app(folder, sinks);
    const AppData::UserDataState state = app.LoadUserData();
    if (state != AppData::UserDataState::Loaded) {
        FUZZ_CHECK(sinks.messages > 0);
        FUZZ_CHECK(!QFile::exists(folder.userDataFile())
                   || state == AppData::UserDataState::KeptUnreadable);
        return 0;
    }
    for (const XmlNode& server : app.userData().selectNodes(QStringLiteral("userdata/*/server"))) {
        (void)app.cookies().GetStoredCookies(server.attribute(QStringLiteral("name")));
        (void)app.history().GetHistoryURLs(server.attribute(QStringLiteral("name")),
                                           server.attribute(QStringLiteral("port")));
    }
    HTTPRequest request;
    request.Server = QStringLiteral("h.example");
    request.Port = QStringLiteral("80");
    request.setURL(QStringLiteral("/a?b='\"c"));
    FUZZ_CHECK(app.history().AddHistoryItem(request) == 0);

    FUZZ_CHECK(app.SaveUserData());
    AppData again(folder, sinks);
    FUZZ_CHECK(again.LoadUserData() == AppData::UserDataState::Loaded);
    FUZZ_CHECK(again.userData().toByteArray() == app.userData().toByteArray());
    return 0;
}
