#include "transport/widgets/ctrlHTTP.h"

#include "message/HTTPRequest.h"
#include "support/TestServer.h"
#include "transport/Exchange.h"

#include <QAbstractItemModel>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimeoutMs = 15000;

HTTPRequest makeRequest(const QString& port)
{
    HTTPRequest request;
    request.Server = u"127.0.0.1"_s;
    request.Port = port;
    request.setMethod(u"GET"_s);
    request.setURL(u"/"_s);
    request.HTTPver = u"HTTP/1.1"_s;
    request.Header = u"Host: 127.0.0.1\r\nConnection: close"_s;
    return request;
}

// The view's children, found by the names the host and tests rely on.
struct View
{
    explicit View(ctrlHTTP& control)
        : log(control.findChild<QListView*>(u"lstLog"_s))
        , received(control.findChild<QLabel*>(u"lblBytesReceived"_s))
        , sent(control.findChild<QLabel*>(u"lblBytesSent"_s))
        , button(control.findChild<QPushButton*>(u"cmdCancel"_s))
    { }

    bool complete() const { return log && received && sent && button; }
    QStringList lines() const
    {
        QStringList out;
        const QAbstractItemModel* model = log->model();
        for (int row = 0; row < model->rowCount(); ++row)
            out.append(model->index(row, 0).data().toString());
        return out;
    }
    bool lastLineSelected() const
    {
        const int rows = log->model()->rowCount();
        return rows > 0 && log->currentIndex().row() == rows - 1
            && log->selectionModel()->isSelected(log->currentIndex());
    }

    QListView* log;
    QLabel* received;
    QLabel* sent;
    QPushButton* button;
};

} // namespace

TEST(ctrlHTTPTest, ViewFollowsAFailedExchangeAndOkHidesIt)
{
    ctrlHTTP control;
    View view(control);
    ASSERT_TRUE(view.complete());
    control.show();
    QSignalSpy error(control.exchange(), &Exchange::ErrorOccured);
    QSignalSpy hideMe(control.exchange(), &Exchange::HideMe);

    HTTPRequest request = makeRequest(QString::number(TestServer::refusedPort()));
    control.Execute(request);
    // The lines are shown before connecting, without waiting for the event loop.
    EXPECT_EQ(view.lines(), control.exchange()->logLines());
    EXPECT_EQ(view.lines().size(), 2);
    EXPECT_EQ(view.button->text(), u"Cancel"_s);
    EXPECT_EQ(view.received->text(), u"0"_s);
    EXPECT_EQ(view.sent->text(), u"0"_s);

    ASSERT_TRUE(error.wait(kTimeoutMs));
    EXPECT_EQ(view.button->text(), u"Ok"_s);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.lines().size() == 3; }, kTimeoutMs));
    EXPECT_EQ(view.lines(), control.exchange()->logLines());
    EXPECT_TRUE(view.lines().last().startsWith(u" [ERROR] SocketX_Close(): "_s));
    EXPECT_TRUE(view.lastLineSelected());

    // A long line wraps to the list's width instead of being cut off. (The scroll bar stays, so
    // the width stays for the next exchange below.)
    view.log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view.log->resize(160, view.log->height());
    QCoreApplication::processEvents();
    const QRect wrapped = view.log->visualRect(view.log->model()->index(2, 0));
    EXPECT_GE(wrapped.height(), 2 * view.log->fontMetrics().lineSpacing());
    EXPECT_LE(wrapped.right(), view.log->viewport()->width());
    EXPECT_EQ(view.log->horizontalScrollBar()->maximum(), 0);

    QTest::mouseClick(view.button, Qt::LeftButton);
    EXPECT_EQ(hideMe.size(), 1);

    // The next exchange's lines are measured afresh: its third line is a short one, and keeps
    // no height of the long line that stood there before.
    TestServer server;
    ASSERT_TRUE(server.listen());
    TestServer::Script script;
    script.chunks = { "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"_ba };
    server.setScript(script);
    QSignalSpy done(control.exchange(), &Exchange::Done);
    HTTPRequest answered = makeRequest(server.portText());
    control.Execute(answered);
    ASSERT_TRUE(done.wait(kTimeoutMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.lines() == control.exchange()->logLines(); },
                                kTimeoutMs));
    ASSERT_GE(view.lines().size(), 3);
    ASSERT_LT(view.log->fontMetrics().horizontalAdvance(view.lines().at(2)),
              view.log->viewport()->width() * 3 / 4);
    QCoreApplication::processEvents();
    EXPECT_LT(view.log->visualRect(view.log->model()->index(2, 0)).height(),
              2 * view.log->fontMetrics().lineSpacing());
}

TEST(ctrlHTTPTest, ViewShowsCountersAndCancelClickCancels)
{
    TestServer server;
    ASSERT_TRUE(server.listen());
    TestServer::Script script;
    script.chunks = { "HTTP/1.1 200 OK\r\n\r\n"_ba, "more"_ba };
    script.stepByStep = true;
    server.setScript(script);

    ctrlHTTP control;
    View view(control);
    ASSERT_TRUE(view.complete());
    control.show();
    QSignalSpy data(control.exchange(), &Exchange::DataArrived);
    QSignalSpy cancelled(control.exchange(), &Exchange::Cancelled);

    HTTPRequest request = makeRequest(server.portText());
    control.Execute(request);
    ASSERT_TRUE(data.wait(kTimeoutMs));
    const QString sent = QString::number(request.RequestBytes().size());
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.sent->text() == sent; }, kTimeoutMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.received->text() == u"19"_s; }, kTimeoutMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.lines() == control.exchange()->logLines(); },
                                kTimeoutMs));
    EXPECT_EQ(view.lines().last(), u" Receiving data"_s);
    EXPECT_TRUE(view.lastLineSelected());

    QTest::mouseClick(view.button, Qt::LeftButton);
    EXPECT_EQ(cancelled.size(), 1);
    EXPECT_EQ(view.button->text(), u"Cancel"_s);

    // A new exchange empties the view at once.
    HTTPRequest refused = makeRequest(QString::number(TestServer::refusedPort()));
    control.Execute(refused);
    EXPECT_EQ(view.lines().size(), 2);
    EXPECT_EQ(view.received->text(), u"0"_s);
    EXPECT_EQ(view.sent->text(), u"0"_s);
}

TEST(ctrlHTTPTest, ButtonStaysCentredWhenResized)
{
    ctrlHTTP control;
    View view(control);
    ASSERT_TRUE(view.complete());
    control.show(); // a hidden widget gets its resize events only when shown
    const int buttonTop = view.button->y();
    const QRect logGeometry = view.log->geometry();
    for (const int width : { 500, 361, 800 }) {
        control.resize(width, 300);
        const QRect button = view.button->geometry();
        EXPECT_LE(std::abs(button.left() + button.right() + 1 - width), 1) << width;
        EXPECT_EQ(button.top(), buttonTop);
        EXPECT_EQ(view.log->geometry(), logGeometry);
    }
}
