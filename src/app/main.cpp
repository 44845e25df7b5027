#include "BuildInfo.h"
#include "app/CommandLine.h"
#include "app/CurlRun.h"
#include "app/FontWarmUp.h"
#include "app/HeadlessRunner.h"
#include "app/WindowEntry.h"
#include "persistence/DataFolder.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

#include <cstdio>

#ifdef __GLIBC__
#include <malloc.h>
#endif

using namespace Qt::StringLiterals;

namespace {

void print(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

// Scripted runs keep standard error for the exchange's log and their own messages.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        print(stderr, message + u'\n');
}

// Everything that needs no window: help, version, bad input, curl conversions and --send.
int runWithoutWindows(int argc, char** argv, const CommandLine& line)
{
    qInstallMessageHandler(quietQtMessages);
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(u"Pelorin"_s);
    QCoreApplication::setApplicationName(u"Pelorin"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(PELORIN_VERSION));
    if (line.showHelp) {
        print(stdout, CommandLineHelp());
        return 0;
    }
    if (line.showVersion) {
        print(stdout, QStringLiteral(PELORIN_PRODUCT_NAME " " PELORIN_VERSION "\n"));
        return 0;
    }
    if (!line.error.isEmpty()) {
        print(stderr, u"pelorin: "_s + line.error + u"\nTry 'pelorin --help'.\n"_s);
        return HeadlessRunner::BadInput;
    }
    const DataFolder::Resolution data = DataFolder::Resolve(line.dataDir);
    if (!data) {
        print(stderr, u"pelorin: "_s + data.error + u'\n');
        return HeadlessRunner::BadInput;
    }
    if (line.curlConversion()) {
        QString out, err;
        const int status = line.toCurlFile.isEmpty()
            ? RunFromCurl(line.fromCurl, line.savePath, data.folder, err)
            : RunToCurl(line.toCurlFile, data.folder, out, err);
        print(stdout, out);
        print(stderr, err);
        return status;
    }
#ifdef __GLIBC__
    // Streamed responses allocate and free read buffers of a few hundred kilobytes at a
    // high rate; taken from the heap they are reused, instead of each being mapped and
    // faulted in afresh (measured: a third of the time of a 100 MB response).
    mallopt(M_MMAP_THRESHOLD, 64 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024 * 1024);
#endif
    return HeadlessRunner(data.folder, line).run();
}

// Loads the window module and hands the start over to it.
int runWindowed(int& argc, char** argv, const CommandLine& line)
{
    const QStringList arguments = ProgramArguments(argc, argv);
    QString programFolder = QFileInfo(QFile::symLinkTarget(u"/proc/self/exe"_s)).absolutePath();
    if (programFolder.isEmpty() && !arguments.isEmpty())
        programFolder = QFileInfo(arguments.first()).absolutePath();
    QString reasons;
    for (const QString& path : WindowModuleCandidates(programFolder)) {
        if (!QFileInfo::exists(path))
            continue;
        QLibrary module(path);
        // Every symbol bound now: a module that does not match the program fails here, not later.
        module.setLoadHints(QLibrary::ResolveAllSymbolsHint);
        if (!module.load()) {
            reasons += u"\n  "_s + module.errorString();
            continue;
        }
        if (const auto windowMain
            = reinterpret_cast<WindowMainFunction>(module.resolve(kWindowMainSymbol)))
            return windowMain(argc, argv, line);
        reasons += u"\n  "_s + module.errorString();
    }
    print(stderr,
          u"pelorin: the windows cannot be loaded (pelorin-window.so)"_s
              + (reasons.isEmpty() ? u"; it is not installed beside the program."_s : reasons)
              + u'\n');
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    // Read before any window-system object exists, so that bad input never needs a display.
    const CommandLine line = ParseCommandLine(ProgramArguments(argc, argv));
    if (line.showHelp || line.showVersion || !line.error.isEmpty() || line.headless()
        || line.curlConversion())
        return runWithoutWindows(argc, argv, line);
    if (!DisplayAvailable(argc, argv)) {
        print(stderr, u"pelorin: no display found; --send runs without one.\n"_s);
        return 1;
    }

    FontWarmUp::start();
    return runWindowed(argc, argv, line);
}
