#include "analysis/widgets/frmResult.h"
#include "shell/Twips.h"
#include "shell/widgets/FramedDialog.h"
#include "shell/widgets/FramedSubWindow.h"
#include "shell/widgets/ctrlFormBar.h"
#include "shell/widgets/ctrlWindowContainer.h"
#include "shell/widgets/frmMenu.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QStyleHints>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

#include <tuple>

using namespace Qt::StringLiterals;

// Shows a result window in the document area with a framed dialog above it, as the
// program would, and writes what it looks like to screenshots/ in the build folder.
// Parameters: colour scheme, dark desktop palette.
class ResultWindowScreenshotTest : public ::testing::TestWithParam<std::tuple<int, bool>>
{
protected:
    void TearDown() override { QApplication::setPalette(QPalette()); }
};

namespace {

QPalette darkPalette()
{
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2e));
    p.setColor(QPalette::WindowText, QColor(0xe6, 0xe6, 0xe6));
    p.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x20));
    p.setColor(QPalette::Text, QColor(0xe6, 0xe6, 0xe6));
    p.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3e));
    p.setColor(QPalette::ButtonText, QColor(0xf0, 0xf0, 0xf0));
    p.setColor(QPalette::Highlight, QColor(0x3d, 0x6f, 0xb4));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Shadow, QColor(0x0a, 0x0a, 0x0a));
    return p;
}

void fillExchange(frmResult& result)
{
    result.setCaption(u" http://localhost:8080/index.html?a=1&&b=2"_s);
    result.AddToLog(u"Automatic settings: Host header, Connection: close"_s);
    result.AddToLog(QString());
    result.AddResultTab(u"GET"_s, ResultSink::RequestPage, false);
    result.AddResultText(u"GET /index.html?a=1&b=2 HTTP/1.1\r\nHost: localhost\r\n\r\n"_s);
    result.AddResultTab(u"200"_s, ResultSink::ResponsePage, true);
    result.AddResultText("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                         "Content-Length: 1234\r\n\r\n<!doctype html>\r\n<html><head>"
                         "<title>Caf\xC3\xA9</title></head>\r\n<body>\t<p>"_ba
                         + QByteArray(300, 'x') + "</p></body></html>\r\n"_ba);
}

} // namespace

TEST_P(ResultWindowScreenshotTest, ShowsFramedResultWindowInEachScheme)
{
    const auto [scheme, dark] = GetParam();
    if (dark)
        QApplication::setPalette(darkPalette());
    QMainWindow main;
    auto* area = new QMdiArea(&main);
    main.setCentralWidget(area);
    main.resize(Twips::toPx(12000), Twips::toPx(9000));

    auto* result = new frmResult;
    fillExchange(*result);
    result->frame()->setBarColor(scheme);
    FramedSubWindow* sub = FramedSubWindow::addTo(area, result);
    sub->move(Twips::toPx(60), Twips::toPx(60));
    sub->show();

    FramedDialog dialog(&main);
    dialog.formBar()->setCaption(u"Response Redirect Detected"_s);
    dialog.formBar()->setBarColor(scheme);
    dialog.formBar()->setShowMinimizeButton(false);
    dialog.formBar()->setShowmenu(true);
    dialog.resize(Twips::toPx(6000), Twips::toPx(2400));
    auto* text = new QLabel(u"Follow the redirect to http://localhost/next?"_s, &dialog);
    text->move(Twips::toPx(300), Twips::toPx(700));
    text->adjustSize();
    dialog.formBar()->AddMenuItem(u"Load Request file"_s, u"loadreq"_s);
    dialog.formBar()->AddMenuItem(u"Save Request file as..."_s, u"savereq"_s);
    dialog.formBar()->AddMenuItem(u"Save Request file"_s, u"save"_s);
    dialog.formBar()->EnableMenuItem(u"SAVE"_s, false);

    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));

    const QImage shot = main.grab().toImage();
    const QImage bar = dialog.grab().toImage();
    dialog.formBar()->fMenu()->popupAt(main.mapToGlobal(QPoint(0, 0)));
    QTest::mouseMove(dialog.formBar()->fMenu()->lblMenuItem(1));
    const QImage menu = dialog.formBar()->fMenu()->grab().toImage();
    dialog.formBar()->fMenu()->hide();
    const QString dir = QCoreApplication::applicationDirPath() + u"/screenshots"_s;
    QDir().mkpath(dir);
    const QString name
        = u"result-window-scheme%1%2"_s.arg(scheme).arg(dark ? u"-dark"_s : QString());
    ASSERT_TRUE(shot.save(dir + u'/' + name + u".png"_s));
    ASSERT_TRUE(bar.save(dir + u'/' + name + u"-dialog.png"_s));
    ASSERT_TRUE(menu.save(dir + u'/' + name + u"-menu.png"_s));

    // The bar behind the caption carries the scheme's colour.
    const QPoint inBar
        = sub->mapTo(&main, QPoint(Twips::toPx(90), Twips::toPx(75))) * shot.devicePixelRatio();
    const QColor c = shot.pixelColor(inBar);
    if (scheme == 1)
        EXPECT_GT(c.red(), c.blue() + 40) << "red scheme bar";
    else if (scheme == 2)
        EXPECT_GT(c.green(), c.red() + 40) << "green scheme bar";
    else
        EXPECT_GT(c.blue(), c.red() + 40) << "default bar";
    EXPECT_EQ(result->tabStrip()->count(), 3);
}

INSTANTIATE_TEST_SUITE_P(Schemes, ResultWindowScreenshotTest,
                         ::testing::Values(std::make_tuple(0, false), std::make_tuple(1, false),
                                           std::make_tuple(2, false), std::make_tuple(0, true)));
