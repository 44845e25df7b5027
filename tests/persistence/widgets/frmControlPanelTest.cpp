#include "persistence/widgets/frmControlPanel.h"

#include "persistence/AppData.h"
#include "persistence/DataFolder.h"
#include "persistence/widgets/OpenWithShell.h"
#include "shell/widgets/FramedSubWindow.h"
#include "support/Recorders.h"

#include <QFile>
#include <QListWidget>
#include <QMdiArea>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class frmControlPanelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(app.LoadConfiguration(&panel));
        setShellOpener([this](const QUrl& url) {
            opened.append(url);
            return true;
        });
        panel.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    }
    void TearDown() override { setShellOpener({}); }

    QListWidgetItem* item(QListWidget* list, const QString& text) const
    {
        const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchContains);
        return found.isEmpty() ? nullptr : found.first();
    }
    // Enter on the current item opens it, as a double-click does.
    void activate(QListWidget* list, QListWidgetItem* target)
    {
        list->setCurrentItem(target);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
    }

    QTemporaryDir dir;
    DataFolder folder { DataFolder::Resolve(dir.path()).folder };
    MessageRecorder messages;
    AppData app { folder, messages };
    frmControlPanel panel { app.settings(), messages };
    QList<QUrl> opened;
};

} // namespace

TEST_F(frmControlPanelTest, LinksOpenThroughTheShellUnlessTheyCouldRunSomething)
{
    QTemporaryDir files;
    ASSERT_TRUE(files.isValid());
    QFile program(files.filePath(u"install.sh"_s));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.close();
    program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    panel.AddHelpMenuItem(u"Local tools"_s, u"-"_s);
    panel.AddHelpMenuItem(u"Installer"_s, program.fileName());

    int abouts = 0;
    panel.setAboutOpener([&] { ++abouts; });
    panel.showTab(1);
    QListWidget* links = panel.linksList();
    EXPECT_EQ(panel.tabs()->currentIndex(), 1);
    QListWidgetItem* heading = item(links, u"General Information"_s);
    ASSERT_NE(heading, nullptr);
    EXPECT_TRUE(heading->font().bold());
    EXPECT_EQ(item(links, u"HTTP Semantics"_s)->text(), u"    HTTP Semantics (RFC 9110)"_s);

    activate(links, heading);
    activate(links, item(links, u"About this program"_s));
    activate(links, item(links, u"HTTP Semantics"_s));
    activate(links, item(links, u"Send feedback"_s));
    EXPECT_EQ(abouts, 1);
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[0], QUrl(u"https://www.rfc-editor.org/rfc/rfc9110.html"_s));
    EXPECT_EQ(opened[1].scheme(), u"mailto"_s);
    EXPECT_TRUE(messages.messages.isEmpty());

    activate(links, item(links, u"Installer"_s));
    EXPECT_EQ(opened.size(), 2) << "a program is never handed to the desktop";
    ASSERT_EQ(messages.messages.size(), 1);
    EXPECT_TRUE(messages.messages.first().text.contains(u"install.sh"_s));
}

// Every setting can be read whole, also in the main window's document area.
TEST_F(frmControlPanelTest, OpensWideEnoughForEverySetting)
{
    QMdiArea area;
    area.resize(1200, 800);
    area.show();
    auto* docked = new frmControlPanel(app.settings(), messages);
    FramedSubWindow::addTo(&area, docked);
    ASSERT_TRUE(app.LoadConfiguration(docked));
    docked->show();
    for (const frmControlPanel* shown :
         std::initializer_list<const frmControlPanel*> { &panel, docked }) {
        const QListWidget* settings = shown->settingsList();
        ASSERT_GE(settings->count(), 4);
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return settings->sizeHintForColumn(0) <= settings->viewport()->width();
        })) << settings->sizeHintForColumn(0)
            << " > " << settings->viewport()->width();
    }
    // Not cut by the sub-window around it.
    const FramedSubWindow* sub = FramedSubWindow::of(docked);
    EXPECT_TRUE(QTest::qWaitFor([&] { return sub->width() >= docked->width(); }))
        << sub->width() << " < " << docked->width();
}
