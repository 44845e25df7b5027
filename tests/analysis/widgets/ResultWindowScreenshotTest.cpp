#include "analysis/widgets/frmResult.h"
#include "shell/Twips.h"
#include "shell/widgets/FramedDialog.h"
#include "shell/widgets/FramedSubWindow.h"
#include "shell/widgets/ctrlFormBar.h"
#include "shell/widgets/ctrlWindowContainer.h"

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

using namespace Qt::StringLiterals;

// Shows a result window in the document area with a framed dialog above it, as the
// program would, and writes what it looks like to screenshots/ in the build folder.
class ResultWindowScreenshotTest : public ::testing::TestWithParam<int>
{
};

namespace {

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
    const int scheme = GetParam();
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

    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));

    const QImage shot = main.grab().toImage();
    const QImage bar = dialog.grab().toImage();
    const QString dir = QCoreApplication::applicationDirPath() + u"/screenshots"_s;
    QDir().mkpath(dir);
    const QString name = u"result-window-scheme%1"_s.arg(scheme);
    ASSERT_TRUE(shot.save(dir + u'/' + name + u".png"_s));
    ASSERT_TRUE(bar.save(dir + u'/' + name + u"-dialog.png"_s));

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

INSTANTIATE_TEST_SUITE_P(Schemes, ResultWindowScreenshotTest, ::testing::Values(0, 1, 2));
