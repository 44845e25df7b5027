#include "editing/HeaderTable.h"
#include "editing/widgets/ctrlHeaders.h"
#include "editing/widgets/frmHeaderValue.h"
#include "editing/widgets/frmLogin.h"
#include "editing/widgets/frmRequestHeaders.h"
#include "persistence/AutoSettings.h"
#include "persistence/Configuration.h"
#include "shell/Twips.h"
#include "shell/widgets/DialogRunner.h"
#include "shell/widgets/ctrlFormBar.h"
#include "support/Recorders.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString shotPath(const QString& name)
{
    const QString dir = QCoreApplication::applicationDirPath() + u"/screenshots"_s;
    QDir().mkpath(dir);
    return dir + u'/' + name + u".png"_s;
}

// The dialog's title bar is drawn in the red scheme.
void expectRedBar(const QImage& shot, const QWidget& dialog)
{
    const QPoint inBar = QPoint(Twips::toPx(150), Twips::toPx(60)) * shot.devicePixelRatio();
    const QColor c = shot.pixelColor(inBar);
    EXPECT_GT(c.red(), c.blue() + 40) << dialog.objectName().toStdString();
}

} // namespace

// Shows the grid with the shipped catalogue and each of its dialogs as the user sees them,
// and writes what they look like to screenshots/ in the build folder.
TEST(HeaderDialogsScreenshotTest, GridAndDialogsWithTheShippedCatalogue)
{
    MessageRecorder sink;
    AutoSettings settings;
    Configuration config(sink);
    ASSERT_TRUE(config.LoadConfiguration(u":/pelorinconfig.xml"_s, settings, nullptr));

    QWidget window;
    window.resize(Twips::toPx(9000), Twips::toPx(6000));
    ctrlHeaders control(config, settings, &window);
    control.setGeometry(Twips::toPx(120), Twips::toPx(120), Twips::toPx(7000), Twips::toPx(3360));
    HeaderTable& headers = *control.headers();
    headers.LoadHeadersFromText(
        u"Host: www.example.com\nUser-Agent: Pelorin HTTP User-Agent/1.0\nAccept: */*\n"
        "Accept-Encoding: gzip, deflate\nConnection: close\nCookie: sid=31d4d96e407aad42;lang=en\n"
        "X-Request-Id: 7f3c"_s);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    QTableView* grid = control.flxRequestHeaders();
    const QModelIndex encoding = headers.index(headers.findRow(u"Accept-Encoding"_s), 1);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(encoding).center());
    ASSERT_TRUE(control.cmdValue()->isVisible());
    const QImage gridShot = window.grab().toImage();
    ASSERT_TRUE(gridShot.save(shotPath(u"header-grid"_s)));

    DialogRunner::pushDriver([](QDialog& shown) {
        auto& chooser = static_cast<frmHeaderValue&>(shown);
        EXPECT_EQ(chooser.size(), QSize(Twips::toPx(5355), Twips::toPx(3330)));
        QListWidget* list = chooser.ListView1();
        list->item(0)->setSelected(true);
        list->item(1)->setSelected(true);
        EXPECT_EQ(chooser.txtCustomValue()->text(), u"gzip, deflate"_s);
        const QImage shot = chooser.grab().toImage();
        EXPECT_TRUE(shot.save(shotPath(u"header-value-chooser"_s)));
        expectRedBar(shot, chooser);
        chooser.reject();
    });
    QTest::mouseClick(control.cmdValue(), Qt::LeftButton);

    DialogRunner::pushDriver([&window](QDialog& shown) {
        auto& catalogue = static_cast<frmRequestHeaders&>(shown);
        // The screen as the user sees it: the dialog centred over the window.
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&catalogue));
        const QRect area = window.frameGeometry().united(catalogue.frameGeometry());
        const QImage screen = window.screen()
                                  ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                                  .toImage();
        EXPECT_TRUE(screen.save(shotPath(u"header-catalogue-over-window"_s)));
        EXPECT_EQ(catalogue.size(), QSize(Twips::toPx(7245), Twips::toPx(4005)));
        EXPECT_GE(catalogue.entryCount(), 59);
        catalogue.AddCustomHeader(u"X-Request-Id"_s);
        catalogue.lstHeaders()->scrollToTop();
        const QImage shot = catalogue.grab().toImage();
        EXPECT_TRUE(shot.save(shotPath(u"header-catalogue"_s)));
        expectRedBar(shot, catalogue);
        // Every part lies inside the dialog, below its title bar.
        for (QWidget* part : { static_cast<QWidget*>(catalogue.lblURL()),
                               static_cast<QWidget*>(catalogue.cmdCancel()),
                               static_cast<QWidget*>(catalogue.lstHeaders()) }) {
            EXPECT_TRUE(catalogue.rect().contains(part->geometry()))
                << part->objectName().toStdString();
            EXPECT_GE(part->y(), catalogue.formBar()->height());
        }
        EXPECT_GE(catalogue.lblURL()->width(), catalogue.lblURL()->sizeHint().width())
            << "the reference link is not cut off";
        catalogue.reject();
    });
    control.cmdAddHeader()->click();

    DialogRunner::pushDriver([](QDialog& shown) {
        auto& login = static_cast<frmLogin&>(shown);
        EXPECT_EQ(login.size(), QSize(Twips::toPx(4665), Twips::toPx(2340)));
        login.txtUID()->setText(u"webdev"_s);
        login.txtPassword()->setText(u"s3cret"_s);
        const QImage shot = login.grab().toImage();
        EXPECT_TRUE(shot.save(shotPath(u"basic-authentication"_s)));
        expectRedBar(shot, login);
        login.reject();
    });
    control.cmdBasicAuth()->click();
    EXPECT_EQ(DialogRunner::pendingDrivers(), 0);
}
