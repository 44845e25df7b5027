#include "analysis/widgets/ctrlDocElements.h"
#include "analysis/widgets/frmResult.h"
#include "editing/FormFieldTable.h"
#include "editing/HeaderTable.h"
#include "editing/RequestFile.h"
#include "editing/widgets/ctrlHeaders.h"
#include "editing/widgets/frmFORMBuilder.h"
#include "message/HTTPRequest.h"
#include "persistence/AppData.h"
#include "persistence/DataFolder.h"
#include "shell/widgets/DialogRunner.h"
#include "shell/widgets/ctrlWindowContainer.h"
#include "support/FileHelpers.h"
#include "support/MultipartParser.h"
#include "support/Recorders.h"
#include "support/TestServer.h"
#include "transport/BrowserSession.h"
#include "transport/widgets/frmBrowser.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimeoutMs = 15000;
constexpr int kV1 = FormFieldTable::kFirstValueColumn;

QByteArray allByteValues()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    return bytes;
}

// The header block and body of a received request.
struct Received
{
    QByteArray head, body;
    QByteArray header(const QByteArray& name) const
    {
        for (const QByteArray& line : head.split('\n')) {
            if (line.toLower().startsWith(QByteArray(name.toLower() + ':')))
                return line.mid(name.size() + 1).trimmed();
        }
        return {};
    }
};

Received split(const QByteArray& request)
{
    const qsizetype end = request.indexOf("\r\n\r\n");
    return end < 0 ? Received { request, {} }
                   : Received { request.left(end), request.mid(end + 4) };
}

// The request window's body: the form builder, curl commands in and out.
class frmBrowserBodyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        const DataFolder::Resolution data = DataFolder::Resolve(dir.filePath(u"data"_s));
        ASSERT_TRUE(bool(data)) << data.error.toStdString();
        app = std::make_unique<AppData>(data.folder, messages);
        ASSERT_TRUE(app->LoadConfiguration(nullptr));
        app->LoadUserData();
        window = std::make_unique<frmBrowser>(*app, messages);
        window->show();
        ASSERT_TRUE(server.listen()) << server.error().toStdString();
        server.setResponse({ "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n" });
        combo("cmbServer")->setEditText(u"127.0.0.1"_s);
        child<QLineEdit>("txtPort")->setText(server.portText());
        combo("cmbURL")->setEditText(u"/upload"_s);
        combo("cmbReqMethod")->setEditText(u"POST"_s);
    }
    void TearDown() override
    {
        EXPECT_EQ(DialogRunner::pendingDrivers(), 0) << "a dialog the test drove never came";
        DialogRunner::clearDrivers();
        EXPECT_EQ(DialogRunner::takeUnattended(), 0) << "a dialog came that no test drove";
    }

    template<typename T> T* child(const char* name) const
    {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << "no child " << name;
        return found;
    }
    QComboBox* combo(const char* name) const { return child<QComboBox>(name); }
    HeaderTable& headers() const { return *window->headerGrid()->headers(); }

    void send()
    {
        QSignalSpy ended(&window->session(), &BrowserSession::exchangeEnded);
        QTest::mouseClick(child<QPushButton>("cmdSend"), Qt::LeftButton);
        while (window->session().isBusy())
            ASSERT_TRUE(ended.wait(kTimeoutMs)) << "the exchange never ended";
    }

    // Presses "FORM data" and plays the user in the builder it shows with driver.
    void runBuilder(const std::function<void(frmFORMBuilder&)>& driver)
    {
        DialogRunner::pushDriver(
            [driver](QDialog& shown) { driver(static_cast<frmFORMBuilder&>(shown)); });
        QTest::mouseClick(child<QPushButton>("cmdRB_FORMdata"), Qt::LeftButton);
    }

    static int addRow(frmFORMBuilder& builder, const QString& code, const QString& name)
    {
        QComboBox* box = builder.cmbNewField();
        for (int i = 0; i < box->count(); ++i) {
            if (FormFieldTable::typeCodeOf(box->itemText(i)) == code)
                box->setCurrentIndex(i);
        }
        builder.cmdAddField()->click();
        const int row = builder.rows()->rowCount() - 1;
        builder.flxFormItems()->setFocus(); // the name editor commits and closes
        builder.rows()->setData(builder.rows()->index(row, FormFieldTable::kNameColumn), name);
        return row;
    }

    static void clickCell(frmFORMBuilder& builder, int row, int column)
    {
        QTableView* grid = builder.flxFormItems();
        const QModelIndex index = builder.rows()->index(row, column);
        grid->scrollTo(index);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
    }

    QTemporaryDir dir;
    MessageRecorder messages;
    std::unique_ptr<AppData> app;
    std::unique_ptr<frmBrowser> window;
    TestServer server;
};

} // namespace

// The user's path through the builder: the body goes out exactly as built, byte for byte, and
// survives a request file.
TEST_F(frmBrowserBodyTest, FormBuilderBodiesReachTheServerAndARequestFile)
{
    const QString png = dir.filePath(u"all bytes.png"_s);
    ASSERT_TRUE(FileHelpers::writeFile(png, allByteValues()));
    auto* body = child<QPlainTextEdit>("txtRequestBody");
    auto* formData = child<QPushButton>("cmdRB_FORMdata");
    EXPECT_FALSE(formData->isEnabled());
    child<QCheckBox>("chkRB_UseFormBuilder")->setChecked(true);
    EXPECT_TRUE(formData->isEnabled());
    EXPECT_TRUE(body->isReadOnly());
    EXPECT_FALSE(child<QPushButton>("cmdBodyEditor")->isEnabled());

    frmFORMBuilder::appBuilder(messages, window.get()).setFileChooser([&] { return png; });
    runBuilder([&](frmFORMBuilder& builder) {
        const int who = addRow(builder, u"SV"_s, u"who"_s);
        builder.rows()->setData(builder.rows()->index(who, kV1), u"J\u00fcrg Z"_s);
        const int tags = addRow(builder, u"MV"_s, u"tag"_s);
        builder.rows()->setData(builder.rows()->index(tags, kV1), u"a"_s);
        builder.rows()->setData(builder.rows()->index(tags, kV1 + 1), u"b"_s);
        const int file = addRow(builder, u"FILE"_s, u"picture"_s);
        clickCell(builder, file, kV1);
        QTest::mouseClick(builder.cmdOK(), Qt::LeftButton);
    });
    EXPECT_TRUE(child<QCheckBox>("chkIncludePostData")->isChecked());
    EXPECT_TRUE(body->isReadOnly());
    EXPECT_TRUE(body->toPlainText().contains(u"J\u00fcrg Z"_s));
    const QByteArray built = window->requestBody().bytes();
    EXPECT_EQ(headers().GetRequestHeaderValue(u"Content-length"_s), QString::number(built.size()));

    // What "Copy as curl" would describe is what SEND puts on the wire.
    const QByteArray preview = window->requestToSend().RequestBytes();
    send();
    EXPECT_EQ(server.received(), preview);
    const Received multipart = split(server.received());
    EXPECT_EQ(multipart.body, built);
    const MultipartMessage message
        = parseMultipart(multipart.header("Content-type"), multipart.body);
    ASSERT_TRUE(message) << message.error.toStdString();
    ASSERT_EQ(message.parts.size(), 4);
    EXPECT_EQ(message.parts.at(0).name, "who");
    EXPECT_EQ(message.parts.at(0).content, u"J\u00fcrg Z"_s.toUtf8());
    EXPECT_EQ(message.parts.at(1).content, "a");
    EXPECT_EQ(message.parts.at(2).content, "b");
    EXPECT_EQ(message.parts.at(3).filename, "all bytes.png");
    EXPECT_EQ(message.parts.at(3).content, allByteValues());

    // Saved and loaded back, the binary body is the same bytes.
    const QString saved = dir.filePath(u"upload.phr"_s);
    window->setFileChooser([&](bool) { return saved; });
    Q_EMIT window->frame()->MenuItemClicked(u"savereqas"_s);
    HTTPRequest loaded;
    ASSERT_TRUE(LoadRequestFile(saved, loaded));
    EXPECT_EQ(loaded.Body.ContentBytes(), built);
    window->SetControls_RequestFromURL(loaded);
    ASSERT_TRUE(window->openRequestFile(saved));
    EXPECT_EQ(window->requestBody().bytes(), built);

    // The builder kept its rows: without the file row the body is urlencoded.
    runBuilder([&](frmFORMBuilder& builder) {
        builder.rows()->RemoveField(2);
        QTest::mouseClick(builder.cmdOK(), Qt::LeftButton);
    });
    send();
    const Received urlencoded = split(server.received());
    EXPECT_EQ(urlencoded.header("Content-type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(urlencoded.body, "who=J%C3%BCrg%20Z&tag=a&tag=b");
    EXPECT_EQ(urlencoded.header("Content-length"), "29");
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.texts().join(u'\n').toStdString();
}

TEST_F(frmBrowserBodyTest, PastedCurlCommandFillsTheWindow)
{
    const auto paste = [&](const QString& text) {
        QGuiApplication::clipboard()->setText(text);
        child<QAbstractButton>("cmdPasteUrl")->click();
    };
    headers().AddHeader(u"X-Old"_s, u"1"_s, false);
    paste(u"curl 'https://api.example.test:8443/v1/items?q=1' \\\n  -X PUT -H 'X-Token: 1' -H "
          u"'X-Token: a b' "
          "--http1.0 --data-raw $'line1\\r\\nline2\\x01' --proxy http://p:3128 -s"_s);
    EXPECT_EQ(combo("cmbServer")->currentText(), u"api.example.test"_s);
    EXPECT_TRUE(child<QCheckBox>("chkSecureConnection")->isChecked());
    EXPECT_EQ(child<QLineEdit>("txtPortSecure")->text(), u"8443"_s);
    EXPECT_EQ(combo("cmbReqMethod")->currentText(), u"PUT"_s);
    EXPECT_EQ(combo("cmbURL")->currentText(), u"/v1/items?q=1"_s);
    EXPECT_EQ(combo("cmbHTTPver")->currentText(), u"HTTP/1.0"_s);
    EXPECT_EQ(headers().findRow(u"X-Old"_s), -1) << "the command's rows replace the grid";
    EXPECT_EQ(headers().GetRequestHeaderValue(u"X-Token"_s), u"a b"_s);
    EXPECT_EQ(headers().GetRequestHeaderValue(u"Host"_s), u"api.example.test:8443"_s);
    EXPECT_EQ(window->requestBody().bytes(), "line1\r\nline2\x01");
    EXPECT_TRUE(child<QCheckBox>("chkIncludePostData")->isChecked());
    ASSERT_EQ(messages.messages.size(), 1);
    EXPECT_TRUE(messages.messages.at(0).text.contains(u"--proxy"_s));
    EXPECT_TRUE(messages.messages.at(0).text.contains(u"-s"_s));
    EXPECT_TRUE(messages.messages.at(0).text.contains(u"X-Token is given more than once"_s));

    // -F fields become a multipart body, the file byte for byte.
    const QString file = dir.filePath(u"b.bin"_s);
    ASSERT_TRUE(FileHelpers::writeFile(file, allByteValues()));
    paste(u"curl -F 'note=hi there' -F 'up=@"_s + file + u"' http://127.0.0.1:"_s
          + server.portText() + u"/form"_s);
    EXPECT_FALSE(child<QCheckBox>("chkSecureConnection")->isChecked());
    EXPECT_EQ(combo("cmbReqMethod")->currentText(), u"POST"_s);
    send();
    const Received form = split(server.received());
    const MultipartMessage message = parseMultipart(form.header("Content-type"), form.body);
    ASSERT_TRUE(message) << message.error.toStdString();
    ASSERT_EQ(message.parts.size(), 2);
    EXPECT_EQ(message.parts.at(0).content, "hi there");
    EXPECT_EQ(message.parts.at(1).filename, "b.bin");
    EXPECT_EQ(message.parts.at(1).content, allByteValues());

    // A malformed command says why and changes nothing.
    messages.messages.clear();
    paste(u"curl 'http://other.test/ -H x"_s);
    ASSERT_EQ(messages.messages.size(), 1);
    EXPECT_EQ(messages.messages.at(0).title, u"Error:"_s);
    EXPECT_EQ(combo("cmbURL")->currentText(), u"/form"_s);
}

// The menu entry copies the request as SEND builds it; HTTPS commands carry -k, as SEND never
// refuses a certificate.
TEST_F(frmBrowserBodyTest, CopyAsCurlTakesTheAutomaticRowsAndAcceptsAnyCertificate)
{
    const auto copied = [&] {
        Q_EMIT window->frame()->MenuItemClicked(u"copycurl"_s);
        return QGuiApplication::clipboard()->text();
    };
    window->setBodyBytes("a=1", u"a=1"_s);
    child<QCheckBox>("chkIncludePostData")->setChecked(true);
    EXPECT_TRUE(copied().contains(u"Content-length: 3"_s));
    EXPECT_FALSE(copied().contains(u"\n  -k"_s));
    child<QCheckBox>("chkSecureConnection")->setChecked(true);
    EXPECT_TRUE(copied().contains(u"\n  -k"_s));
}

// A page's form and the user's rows never meet in one builder. A builder body says why it
// takes no typing, and keeps its Content-type when it was left out of one request.
TEST_F(frmBrowserBodyTest, PageFormsHaveTheirOwnBuilderAndBuilderBodiesKeepTheirType)
{
    const auto names = [](const frmFORMBuilder& builder) {
        QStringList found;
        for (const FormField& row : builder.rows()->fields())
            found.append(row.name);
        return found;
    };
    const QString file = dir.filePath(u"a.bin"_s);
    ASSERT_TRUE(FileHelpers::writeFile(file, allByteValues()));
    frmFORMBuilder::appBuilder(messages, window.get()).setFileChooser([&] { return file; });
    child<QCheckBox>("chkRB_UseFormBuilder")->setChecked(true);
    runBuilder([&](frmFORMBuilder& builder) {
        addRow(builder, u"SV"_s, u"mine"_s);
        QTest::mouseClick(builder.cmdOK(), Qt::LeftButton);
    });

    window->MakeNewResultWindow();
    ctrlDocElements* panel = window->oResult()->elementTreePanel();
    HTTPRequest page;
    page.Server = u"127.0.0.1"_s;
    page.Port = server.portText();
    page.setURL(u"/"_s);
    panel->ParseHTMLDocument(
        u"<form method=\"post\" action=\"/p\"><input name=\"page\" value=\"1\"></form>"_s, page);
    QStringList pageRows;
    DialogRunner::pushDriver([&](QDialog& shown) {
        pageRows = names(static_cast<frmFORMBuilder&>(shown));
        QTest::mouseClick(static_cast<frmFORMBuilder&>(shown).cmdOK(), Qt::LeftButton);
    });
    panel->TreeView1()->setCurrentItem(panel->TreeView1()->topLevelItem(2)->child(0));
    QTest::mouseClick(panel->cmdGet(), Qt::LeftButton);
    EXPECT_EQ(pageRows, QStringList { u"page"_s });
    EXPECT_EQ(combo("cmbURL")->currentText(), u"/p"_s);

    runBuilder([&](frmFORMBuilder& builder) {
        EXPECT_EQ(names(builder), QStringList { u"mine"_s });
        clickCell(builder, addRow(builder, u"FILE"_s, u"up"_s), kV1);
        QTest::mouseClick(builder.cmdOK(), Qt::LeftButton);
    });
    auto* body = child<QPlainTextEdit>("txtRequestBody");
    child<QCheckBox>("chkRB_UseFormBuilder")->setChecked(false);
    EXPECT_TRUE(body->isReadOnly());
    EXPECT_EQ(body->toolTip(), u"Made by the form builder: FORM data changes it"_s);
    EXPECT_EQ(body->palette().color(QPalette::Base), body->palette().color(QPalette::Window));

    const QString type = headers().GetRequestHeaderValue(u"Content-type"_s);
    ASSERT_TRUE(type.startsWith(u"multipart/form-data; boundary="_s)) << type.toStdString();
    child<QCheckBox>("chkIncludePostData")->setChecked(false);
    send();
    EXPECT_EQ(split(server.received()).header("Content-type"), QByteArray());
    child<QCheckBox>("chkIncludePostData")->setChecked(true);
    send();
    const Received again = split(server.received());
    EXPECT_EQ(again.header("Content-type"), type.toUtf8());
    EXPECT_TRUE(parseMultipart(again.header("Content-type"), again.body));

    window->setBodyBytes("x=1", u"x=1"_s);
    EXPECT_FALSE(body->isReadOnly());
    EXPECT_TRUE(body->toolTip().isEmpty());
}

// A body from a file is read when sent, in the file's state then; the box only names it.
TEST_F(frmBrowserBodyTest, BodyFromFileIsReadWhenSentAndLeavesTheBoxReadOnly)
{
    const QString path = dir.filePath(u"up.bin"_s);
    ASSERT_TRUE(FileHelpers::writeFile(path, "early"));
    window->setFileChooser([&path](bool) { return path; });
    QTest::mouseClick(child<QPushButton>("cmdBodyFromFile"), Qt::LeftButton);
    auto* box = child<QPlainTextEdit>("txtRequestBody");
    EXPECT_EQ(box->toPlainText(), u"<file \"up.bin\", 5 bytes>"_s);
    EXPECT_TRUE(box->isReadOnly());
    EXPECT_FALSE(child<QPushButton>("cmdBodyEditor")->isEnabled());
    EXPECT_TRUE(child<QCheckBox>("chkIncludePostData")->isChecked());

    const QByteArray later = allByteValues();
    ASSERT_TRUE(FileHelpers::writeFile(path, later));
    send();
    const Received got = split(server.received());
    EXPECT_TRUE(got.body == later);
    EXPECT_EQ(got.header("Content-length"), "256");

    // Saved as a reference; the button then leads back to a typed body.
    const QString saved = dir.filePath(u"r.phr"_s);
    window->setFileChooser([&saved](bool) { return saved; });
    Q_EMIT window->frame()->MenuItemClicked(u"savereqas"_s);
    EXPECT_TRUE(FileHelpers::readFile(saved).contains("<body file=\"up.bin\">"));
    QTest::mouseClick(child<QPushButton>("cmdBodyFromFile"), Qt::LeftButton);
    EXPECT_FALSE(box->isReadOnly());
    EXPECT_TRUE(window->requestBody().pieces().isEmpty());
}
