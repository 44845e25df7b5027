#include "app/CurlRun.h"

#include "editing/CurlFiles.h"
#include "editing/RequestFile.h"
#include "message/HTTPRequest.h"
#include "persistence/AppData.h"
#include "persistence/ProxyPreference.h"
#include "shell/MessageSink.h"
#include "transport/ProxyTunnel.h"
#include "transport/RequestPreview.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace {

enum Status { Ok = 0, WriteFailed = 1, BadInput = 2 };

} // namespace

int RunToCurl(const QString& requestFile, const DataFolder& folder, QString& out, QString& err)
{
    HTTPRequest loaded;
    if (const Result read = LoadRequestFile(requestFile, loaded); !read) {
        err = u"pelorin: cannot read '"_s + requestFile + u"': "_s + read.text + u'\n';
        return BadInput;
    }
    StderrMessageSink messages(false);
    AppData app(folder, messages);
    if (!app.LoadConfiguration(nullptr))
        return BadInput;
    app.LoadUserData();
    const Configuration::ComboList versions
        = app.configuration().ListFromConfig(Configuration::httpVersionsPath());
    // The window's version box starts at the configured entry, or its first one.
    const QString defaultVersion
        = versions.entries.value(int(qMax<qsizetype>(versions.selected, 0)), u"HTTP/1.1"_s);
    // A run starts with no earlier server, so the file's own Cookie rows go, as --send drops them.
    const HTTPRequest request
        = PreviewRequest(FormForLoadedRequest(loaded, defaultVersion), loaded.Header,
                         app.settings(), &app.cookies(), QString());
    QString command;
    if (const Result made = CurlCommandForRequest(request, folder.path(), command); !made) {
        err = u"pelorin: "_s + made.text + u'\n';
        return WriteFailed;
    }
    // The saved proxy goes along, as --send would use it.
    for (const QString& option :
         CurlOptionsForProxy(SettingFromPreference(ReadProxyPreference(app.userData()))))
        command += u" \\\n  "_s + option;
    out = command + u'\n';
    return Ok;
}

int RunFromCurl(const QString& command, const QString& savePath, QString& err)
{
    const CurlImport imported = ImportCurlCommand(command, QDir::currentPath());
    if (!imported) {
        err = u"pelorin: cannot read the curl command: "_s + imported.error + u'\n';
        return BadInput;
    }
    for (const QString& note : imported.notes)
        err += u"pelorin: "_s + note + u'\n';
    if (const Result saved = SaveRequestFile(imported.request, savePath); !saved) {
        err += u"pelorin: "_s + saved.text + u'\n';
        return WriteFailed;
    }
    return Ok;
}
