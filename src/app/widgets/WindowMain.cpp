#include "BuildInfo.h"
#include "app/CommandLine.h"
#include "app/HeadlessRunner.h"
#include "app/SignalWatcher.h"
#include "app/StartupProbe.h"
#include "app/WindowEntry.h"
#include "app/widgets/frmMain.h"
#include "persistence/AppData.h"
#include "persistence/DataFolder.h"
#include "shell/widgets/MessageBoxSink.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

void print(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

} // namespace

// The windowed program, started by main once the command line asked for no scripted run
// and a display is there.
extern "C" Q_DECL_EXPORT int pelorinWindowMain(int& argc, char** argv, const CommandLine& line)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(u"Pelorin"_s);
    QApplication::setApplicationName(u"Pelorin"_s);
    QApplication::setApplicationVersion(QStringLiteral(PELORIN_VERSION));

    // Watched before the data folder is made: a signal from then on waits for the event loop,
    // which saves and ends.
    SignalWatcher signalWatcher;
    const DataFolder::Resolution data = DataFolder::Resolve(line.dataDir);
    if (!data) {
        print(stderr, u"pelorin: "_s + data.error + u'\n');
        return HeadlessRunner::BadInput;
    }

    MessageBoxSink messages;
    AppData appData(data.folder, messages);
    frmMain mainWindow(appData, messages);
    // Logout, kill and Ctrl+C close the window like the user would: the data is saved.
    QObject::connect(&signalWatcher, &SignalWatcher::signalled, &mainWindow,
                     [&mainWindow] { mainWindow.close(); });
    if (!mainWindow.startUp(line.requestFile))
        return 1;
    mainWindow.show();
    if (line.startupProbe) {
        // Reported once the window is shown and the event loop has nothing left to do.
        QTimer::singleShot(0, &mainWindow, [] {
            print(stdout, StartupProbe::report() + u'\n');
            QApplication::exit(0);
        });
    }
    return QApplication::exec();
}
