#include "shell/widgets/MessageBoxSink.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct ShownBox
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QString title;
    QString text;
};

class MessageBoxSinkTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        MessageBoxSink::setNonInteractive(true);
        MessageBoxSink::takeShown();
    }
};

} // namespace

TEST_F(MessageBoxSinkTest, NonInteractiveModeRecordsAndAnswersFromTheQueue)
{
    MessageBoxSink::setNonInteractive(true);
    MessageBoxSink sink;
    MessageBoxSink::setNextAnswer(true);
    sink.showMessage(u"Cannot open file"_s, u"Error"_s, MessageSink::Icon::Critical);
    EXPECT_TRUE(sink.askYesNo(u"Follow the redirect?"_s, u"Redirect"_s));
    EXPECT_FALSE(sink.askYesNo(u"Again?"_s, u"Redirect"_s)) << "an empty queue answers No";
    const QList<MessageBoxSink::Shown> shown = MessageBoxSink::takeShown();
    ASSERT_EQ(shown.size(), 3);
    EXPECT_EQ(shown.at(0).text, u"Cannot open file"_s);
    EXPECT_EQ(shown.at(0).icon, MessageSink::Icon::Critical);
    EXPECT_EQ(shown.at(1).icon, MessageSink::Icon::Question);
    EXPECT_TRUE(MessageBoxSink::takeShown().isEmpty());
}

TEST_F(MessageBoxSinkTest, ShowsRealBoxesWithTheMappedIconAndButtons)
{
    MessageBoxSink::setNonInteractive(false);
    MessageBoxSink sink;
    {
        ShownBox seen;
        QTimer::singleShot(0, qApp, [&seen] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen = { box->icon(), box->standardButtons(), box->windowTitle(), box->text() };
            box->button(QMessageBox::Ok)->click();
        });
        sink.showMessage(u"Disk full"_s, u"ERROR"_s, MessageSink::Icon::Error);
        EXPECT_EQ(seen.icon, QMessageBox::Critical);
        EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        EXPECT_EQ(seen.title, u"ERROR"_s);
        EXPECT_EQ(seen.text, u"Disk full"_s);
    }
    for (const auto press : { QMessageBox::Yes, QMessageBox::No }) {
        ShownBox seen;
        QTimer::singleShot(0, qApp, [&seen, press] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen = { box->icon(), box->standardButtons(), box->windowTitle(), box->text() };
            box->button(press)->click();
        });
        EXPECT_EQ(sink.askYesNo(u"Follow?"_s, u"Ups:"_s), press == QMessageBox::Yes);
        EXPECT_EQ(seen.icon, QMessageBox::Question);
        EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    }
    EXPECT_TRUE(MessageBoxSink::takeShown().isEmpty()) << "shown boxes are not recorded";
}
