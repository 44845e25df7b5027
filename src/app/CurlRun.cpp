#include "app/CurlRun.h"

#include "editing/CurlFiles.h"
#include "editing/RequestFile.h"
#include "message/HTTPRequest.h"
#include "message/PortNumber.h"
#include "persistence/AppData.h"
#include "persistence/ProxyPreference.h"
#include "shell/MessageSink.h"
#include "transport/ClientIdentity.h"
#include "transport/ClientTlsData.h"
#include "transport/ProxyTunnel.h"
#include "transport/Redirect.h"
#include "transport/RequestPreview.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace {

enum Status { Ok = 0, WriteFailed = 1, BadInput = 2 };

QString targetOf(const HTTPRequest& request)
{
    return TlsTargetName(HostForConnect(request.Server), ParsePortNumber(request.Port).number);
}

// The configuration and user data a conversion reads; false when the configuration cannot be
// loaded (its loader has said why).
bool loadForRun(AppData& app)
{
    if (!app.LoadConfiguration(nullptr))
        return false;
    app.LoadUserData();
    return true;
}

// The saved choice for the request's target, as curl's options name it.
CurlTlsFiles curlTlsFor(const HTTPRequest& request, AppData& app)
{
    if (!request.Secure)
        return {};
    ClientTls tls;
    LoadClientTlsTargets(app.userData(), tls);
    return CurlTlsOf(tls.targets().value(targetOf(request)));
}

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
    if (!loadForRun(app))
        return BadInput;
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
    if (const Result made
        = CurlCommandForRequest(request, folder.path(), command, curlTlsFor(request, app));
        !made) {
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

int RunFromCurl(const QString& command, const QString& savePath, const DataFolder& folder,
                QString& err)
{
    const CurlImport imported = ImportCurlCommand(command, QDir::currentPath());
    if (!imported) {
        err = u"pelorin: cannot read the curl command: "_s + imported.error + u'\n';
        return BadInput;
    }
    // A request file holds no TLS choice: the target's is kept with the user data, as the
    // window keeps it.
    if (!imported.tls.isEmpty()) {
        const CurlTlsFiles& files = imported.tls;
        TargetTls choice;
        if (const Result read = TargetTlsOf(files, choice); !read) {
            err = u"pelorin: "_s + read.text + u'\n';
            return BadInput;
        }
        StderrMessageSink messages(false);
        AppData app(folder, messages);
        if (!loadForRun(app))
            return BadInput;
        ClientTls tls;
        LoadClientTlsTargets(app.userData(), tls);
        const QString target = targetOf(imported.request);
        tls.setTarget(target, choice);
        StoreClientTlsTargets(app.userData(), tls);
        if (const Result saved = app.SaveUserData(); !saved) {
            err = u"pelorin: "_s + saved.text + u'\n';
            return WriteFailed;
        }
        err += u"pelorin: the client certificate and CA file are kept for "_s + target
            + (files.passphrase ? u"; the passphrase is not (give it with --pass)"_s : QString())
            + u'\n';
    }
    for (const QString& note : imported.notes)
        err += u"pelorin: "_s + note + u'\n';
    if (const Result saved = SaveRequestFile(imported.request, savePath); !saved) {
        err += u"pelorin: "_s + saved.text + u'\n';
        return WriteFailed;
    }
    return Ok;
}
