#include "analysis/widgets/frmResult.h"
#include "app/widgets/frmMain.h"
#include "persistence/AppData.h"
#include "persistence/DataFolder.h"
#include "shell/widgets/FrameButton.h"
#include "shell/widgets/ctrlWindowContainer.h"
#include "shell/widgets/frmMenu.h"
#include "support/Recorders.h"
#include "transport/widgets/frmBrowser.h"

#include <QAccessible>
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct Program
{
    explicit Program(const QString& dir)
        : folder(DataFolder::Resolve(dir).folder)
        , app(folder, messages)
        , main(app, messages)
    { }
    DataFolder folder;
    MessageRecorder messages;
    AppData app;
    frmMain main;
};

// The captions of a title bar's menu, without the shortcut shown after them.
QStringList menuCaptions(ctrlWindowContainer* frame)
{
    QStringList captions;
    for (const QLabel* item : frame->fMenu()->findChildren<QLabel*>()) {
        if (item->objectName().startsWith(u"lblMenuItem"_s) && !item->isHidden())
            captions.append(
                item->text().trimmed().remove(QRegularExpression(u"\\s{2,}Ctrl\\+.*$"_s)));
    }
    return captions;
}

} // namespace

TEST(WindowCoverageTest, EveryToolBarButtonAndMenuItemIsInTheManual)
{
    QTemporaryDir dir;
    Program p(dir.path());
    ASSERT_TRUE(p.main.startUp());
    QFile file(u":/manual.md"_s);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString manual = QString::fromUtf8(file.readAll());

    QStringList names;
    for (const QAction* action : p.main.findChild<QToolBar*>(u"Toolbar1"_s)->actions())
        names.append(action->text());
    frmBrowser* browser = p.main.browser();
    names += menuCaptions(browser->frame());
    browser->MakeNewResultWindow();
    names += menuCaptions(browser->oResult()->frame());
    ASSERT_GE(names.size(), 7 + 5 + 3) << qPrintable(names.join(u", "));
    for (const QString& name : names)
        EXPECT_TRUE(manual.contains(name)) << qPrintable(name) << " is not in the manual";
}

TEST(WindowCoverageTest, NoVisibleButtonLacksAnAccessibleName)
{
    QTemporaryDir dir;
    Program p(dir.path());
    ASSERT_TRUE(p.main.startUp());
    // The tool bar with its text off still names its buttons.
    p.main.findChild<QToolBar*>(u"Toolbar1"_s)->setToolButtonStyle(Qt::ToolButtonIconOnly);
    p.main.browser()->MakeNewResultWindow();
    p.main.browser()->showResultWindow();
    p.main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&p.main));

    int buttons = 0;
    int painted = 0;
    for (QWidget* w : p.main.findChildren<QWidget*>()) {
        if (!w->isVisible())
            continue;
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
        if (!face)
            continue;
        const QAccessible::Role role = face->role();
        if (role != QAccessible::Button && role != QAccessible::PushButton
            && role != QAccessible::CheckBox && role != QAccessible::ButtonMenu)
            continue;
        ++buttons;
        painted += qobject_cast<FrameButton*>(w) ? 1 : 0;
        EXPECT_FALSE(face->text(QAccessible::Name).trimmed().isEmpty())
            << qPrintable(w->objectName()) << " (" << w->metaObject()->className()
            << ") has no accessible name";
    }
    // The tool bar, the request window's buttons and the title bars' pictures were seen.
    EXPECT_GE(buttons, 20);
    EXPECT_GE(painted, 3);
}
