#include "BuildInfo.h"
#include "app/CommandLine.h"
#include "app/FontWarmUp.h"
#include "app/HeadlessRunner.h"
#include "app/SignalWatcher.h"
#include "app/StartupProbe.h"
#include "app/WindowEntry.h"
#include "app/widgets/frmMain.h"
#include "persistence/AppData.h"
#include "persistence/DataFolder.h"
#include "shell/widgets/DeferredIconStyle.h"
#include "shell/widgets/MessageBoxSink.h"
#include "shell/widgets/PelorinIcons.h"

#include <QApplication>
#include <QIcon>
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
    QApplication::setStyle(new DeferredIconStyle);
    // Every window without an icon of its own shows the program's; a sub-window would
    // otherwise draw the style's, read from an image file as it is made.
    QApplication::setWindowIcon(PelorinIcon(u"app"_s));
    // Without a desktop icon theme Qt looks the style's icons up in the fallback theme, which
    // holds applications' own icons, and shows its own images when they are not there.
    // Reading that theme's index took a seventh of a start's instructions; its icons are
    // never asked for, so no theme is looked at then.
    if (QIcon::themeName() == QIcon::fallbackThemeName()) {
        const QString none = u"pelorin-no-icon-theme"_s;
        QIcon::setFallbackThemeName(none);
        QIcon::setThemeName(none);
    }

    // Watched before the data folder is made: a signal from then on waits for the event loop,
    // which saves and ends.
    SignalWatcher signalWatcher;
    const DataFolder::Resolution data = DataFolder::Resolve(line.dataDir);
    if (!data) {
        print(stderr, u"pelorin: "_s + data.error + u'\n');
        return HeadlessRunner::BadInput;
    }

    FontWarmUp::finish();
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
