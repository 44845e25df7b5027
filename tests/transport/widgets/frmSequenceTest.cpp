#include "transport/widgets/frmSequence.h"

#include "analysis/widgets/ResultTextView.h"
#include "analysis/widgets/frmResult.h"
#include "persistence/AppData.h"
#include "persistence/DataFolder.h"
#include "persistence/ProxyPreference.h"
#include "shell/widgets/DialogRunner.h"
#include "support/Recorders.h"
#include "support/RecordingServer.h"
#include "transport/widgets/frmBrowser.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimeoutMs = 15000;

QByteArray response(const QByteArray& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: "_ba + QByteArray::number(body.size())
        + "\r\n\r\n"_ba + body;
}

} // namespace

// The current request sent three times pipelined from the window: one tab per response with
// exactly its bytes, and the bytes after the last response in a tab of their own.
TEST(frmSequenceTest, PipelinedRepeatGivesATabPerResponseAndLeftover)
{
    QTemporaryDir dir;
    const DataFolder::Resolution data = DataFolder::Resolve(dir.path());
    ASSERT_TRUE(bool(data));
    MessageRecorder messages;
    AppData app(data.folder, messages);
    ASSERT_TRUE(app.LoadConfiguration(nullptr));
    RecordingServer server;
    ASSERT_TRUE(server.listen());
    const QList<QByteArray> answers = { response("a"), response("bb"), response("ccc") };
    server.setReply(answers.join() + "junk"_ba, 3, true);

    frmBrowser window(app, messages);
    window.show();
    window.findChild<QComboBox*>(u"cmbServer"_s)->setEditText(u"127.0.0.1"_s);
    window.findChild<QLineEdit*>(u"txtPort"_s)->setText(server.portText());
    DialogRunner::pushDriver([](QDialog& dialog) {
        auto& sequence = static_cast<frmSequence&>(dialog);
        sequence.spnCount()->setValue(3);
        sequence.cmbMode()->setCurrentIndex(int(SequenceRunner::Mode::Pipelined));
        // Synchronised sends take fewer requests than a connection's sequence.
        EXPECT_EQ(sequence.maxRequests(), 100);
        sequence.cmdSend()->click();
    });
    ASSERT_TRUE(window.sendSequence());
    QSignalSpy finished(window.sequenceRunner(), &SequenceRunner::finished);
    ASSERT_TRUE(finished.wait(kTimeoutMs));

    ASSERT_EQ(server.peers().size(), 1);
    EXPECT_EQ(server.peers().constFirst().reads.size(), 1);
    frmResult* result = window.oResult();
    ASSERT_NE(result, nullptr);
    ASSERT_EQ(result->lTabCount(), 4) << qPrintable(result->txtResult(0)->toPlainText());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(result->tabStrip()->tabText(i + 1).trimmed(), u"%1: 200"_s.arg(i + 1));
        EXPECT_EQ(result->txtResult(i + 1)->model().bytes().toByteArray(), answers.at(i));
    }
    EXPECT_EQ(result->tabStrip()->tabText(4).trimmed(), u"Leftover"_s);
    EXPECT_EQ(result->txtResult(4)->model().bytes().toByteArray(), "junk"_ba);
    EXPECT_TRUE(window.findChild<QPushButton*>(u"cmdSend"_s)->isEnabled());
}

// A sequence from the window takes the saved proxy, as a send does: here a stand-in proxy that
// receives both pipelined requests in absolute form.
TEST(frmSequenceTest, SequenceGoesThroughTheSavedProxy)
{
    QTemporaryDir dir;
    const DataFolder::Resolution data = DataFolder::Resolve(dir.path());
    ASSERT_TRUE(bool(data));
    MessageRecorder messages;
    AppData app(data.folder, messages);
    ASSERT_TRUE(app.LoadConfiguration(nullptr));
    RecordingServer proxy;
    ASSERT_TRUE(proxy.listen());
    proxy.setReply(response("a") + response("b"), 2, true);
    app.LoadUserData();
    WriteProxyPreference(
        app.userData(),
        { ProxyPreference::Mode::Url, u"http://127.0.0.1:"_s + proxy.portText(), {} });

    frmBrowser window(app, messages);
    window.show();
    window.findChild<QComboBox*>(u"cmbServer"_s)->setEditText(u"127.0.0.1"_s);
    window.findChild<QLineEdit*>(u"txtPort"_s)->setText(u"9"_s);
    DialogRunner::pushDriver([](QDialog& dialog) {
        auto& sequence = static_cast<frmSequence&>(dialog);
        sequence.spnCount()->setValue(2);
        sequence.cmbMode()->setCurrentIndex(int(SequenceRunner::Mode::Pipelined));
        sequence.cmdSend()->click();
    });
    ASSERT_TRUE(window.sendSequence());
    QSignalSpy finished(window.sequenceRunner(), &SequenceRunner::finished);
    ASSERT_TRUE(finished.wait(kTimeoutMs));
    EXPECT_TRUE(finished.constFirst().constFirst().toBool())
        << qPrintable(window.oResult()->txtResult(0)->toPlainText());
    ASSERT_EQ(proxy.peers().size(), 1);
    EXPECT_EQ(proxy.peers().constFirst().received.count("GET http://127.0.0.1:9/ HTTP/1.1\r\n"), 2)
        << proxy.peers().constFirst().received.constData();
}

// The dialog offers Send only for a choice the mode can take, and keeps the count within it.
TEST(frmSequenceTest, SendOnlyWithinTheModesLimits)
{
    frmSequence dialog;
    dialog.setFileChooser([] { return QStringList { u"a.phr"_s, u"b.phr"_s }; });
    dialog.optFiles()->setChecked(true);
    EXPECT_FALSE(dialog.cmdSend()->isEnabled()) << "no files yet";
    dialog.cmdAddFiles()->click();
    EXPECT_TRUE(dialog.cmdSend()->isEnabled());
    EXPECT_EQ(dialog.files(), (QStringList { u"a.phr"_s, u"b.phr"_s }));
    dialog.lstFiles()->item(0)->setSelected(true);
    dialog.cmdRemove()->click();
    EXPECT_EQ(dialog.files(), QStringList { u"b.phr"_s });

    dialog.optRepeat()->setChecked(true);
    dialog.spnCount()->setValue(100);
    dialog.cmbMode()->setCurrentIndex(int(SequenceRunner::Mode::Synchronised));
    EXPECT_EQ(dialog.count(), 50);
}
