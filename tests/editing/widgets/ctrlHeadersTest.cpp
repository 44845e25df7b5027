#include "editing/widgets/ctrlHeaders.h"

#include "editing/HeaderTable.h"
#include "editing/widgets/frmHeaderValue.h"
#include "editing/widgets/frmLogin.h"
#include "editing/widgets/frmRequestHeaders.h"
#include "message/HTTPRequest.h"
#include "persistence/AutoSettings.h"
#include "persistence/Configuration.h"
#include "shell/DialogPlacer.h"
#include "shell/widgets/DialogRunner.h"
#include "shell/widgets/ctrlFormBar.h"
#include "support/FileHelpers.h"
#include "support/Recorders.h"

#include <QApplication>
#include <QDesktopServices>
#include <QHeaderView>
#include <QHelpEvent>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// A catalogue with each kind of entry the grid and its dialogs treat differently.
constexpr auto kCatalogue = R"(<pelorinhttp><requestheaders>
  <option><name>Accept</name><description>Media types</description></option>
  <option><name>Accept-Encoding</name><description>Codings</description>
    <values multiple="yes" separator=", "><value>gzip</value><value>deflate</value><value>br</value></values></option>
  <option><name>Connection</name><description>Hop options</description></option>
  <option><name>Content-Length</name><description>Body size</description></option>
  <option><name>DNT</name><description>Do not track</description>
    <values><value>1</value><value>0</value></values></option>
  <option><description>An option without a name</description></option>
  <option><name>Host</name><description>Target host</description></option>
  <option><name>X-Multi</name>
    <values multiple="YES"><value>a</value><value>b</value><value>c</value></values></option>
</requestheaders></pelorinhttp>)";

// Queues a driver for the next dialog, which must be a Dialog.
template<typename Dialog> void driveNext(std::function<void(Dialog&)> play)
{
    DialogRunner::pushDriver([play = std::move(play)](QDialog& shown) {
        auto* dialog = qobject_cast<Dialog*>(&shown);
        ASSERT_NE(dialog, nullptr) << "unexpected dialog " << shown.objectName().toStdString();
        ASSERT_TRUE(dialog->isVisible());
        ASSERT_TRUE(dialog->isModal());
        play(*dialog);
    });
}

// Records the addresses the desktop is asked to open.
class UrlRecorder final : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

class RecordingPlacer final : public DialogPlacer
{
public:
    void CenterFormOnMe(QWidget* form) override
    {
        placed.append(form);
        form->move(7, 9);
    }
    QList<QWidget*> placed;
};

QStringList names(const HeaderTable& table)
{
    QStringList out;
    for (const HeaderTable::Row& row : table.rows())
        out.append(row.name);
    return out;
}

class ctrlHeadersTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString path = dir.filePath(u"pelorinconfig.xml"_s);
        ASSERT_TRUE(FileHelpers::writeFile(path, QByteArray(kCatalogue)));
        ASSERT_TRUE(config.LoadConfiguration(path, settings, nullptr));
        control.resize(600, 300);
        control.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&control));
    }

    void TearDown() override
    {
        EXPECT_EQ(DialogRunner::pendingDrivers(), 0) << "a dialog the test drove never came";
        DialogRunner::clearDrivers();
        EXPECT_EQ(DialogRunner::takeUnattended(), 0) << "a dialog came that no test drove";
    }

    HeaderTable& table() { return *control.headers(); }
    QTableView* grid() { return control.flxRequestHeaders(); }
    QModelIndex cell(const QString& name, int column)
    {
        return table().index(table().findRow(name), column);
    }
    void click(const QModelIndex& index)
    {
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {},
                          grid()->visualRect(index).center());
    }
    bool editorOpen(const QModelIndex& index) { return grid()->indexWidget(index) != nullptr; }

    QTemporaryDir dir;
    MessageRecorder sink;
    Configuration config { sink };
    AutoSettings settings;
    ctrlHeaders control { config, settings };
};

} // namespace

TEST_F(ctrlHeadersTest, GridShowsTheRowsSortedUnderATitleRow)
{
    EXPECT_EQ(grid()->model(), &table());
    EXPECT_EQ(grid()->columnWidth(0), 120) << "1800 twips";
    EXPECT_EQ(grid()->horizontalHeader()->defaultAlignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignLeft);
    EXPECT_EQ(table().headerData(0, Qt::Horizontal).toString(), u"Header"_s);
    EXPECT_EQ(table().headerData(1, Qt::Horizontal).toString(), u"Value"_s);
    EXPECT_EQ(grid()->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(control.cmdAddHeader()->text(), u"+/-"_s);
    EXPECT_EQ(control.cmdAddHeader()->toolTip(), u"Add/Remove headers"_s);
    EXPECT_EQ(control.cmdBasicAuth()->toolTip(), u"Add Basic Authentication Header"_s);

    table().AddHeader(u"User-Agent"_s, u"ua"_s, false);
    table().AddHeader(u"Accept"_s, u"*/*"_s, false);
    table().AddHeader(u"Cookie"_s, u"a=1"_s, false);
    table().AddHeader(u"accept"_s, u"x"_s, false);
    table().AddHeader(u"Cookie"_s, u"b=2"_s, true);
    ASSERT_EQ(grid()->model()->rowCount(), 3) << "replacing ignores letter case";
    // The grid draws the rows in name order, top to bottom.
    const int y0 = grid()->visualRect(cell(u"Accept"_s, 0)).top();
    const int y1 = grid()->visualRect(cell(u"Cookie"_s, 0)).top();
    const int y2 = grid()->visualRect(cell(u"User-Agent"_s, 0)).top();
    EXPECT_LT(y0, y1);
    EXPECT_LT(y1, y2);
    EXPECT_EQ(cell(u"Accept"_s, 1).data().toString(), u"x"_s);
    EXPECT_EQ(cell(u"Cookie"_s, 1).data().toString(), u"a=1;b=2"_s);
    table().AddHeader(u"cookie"_s, u"A=5"_s, true);
    EXPECT_EQ(table().GetRequestHeaderValue(u"Cookie"_s), u"a=5;b=2"_s);

    // The header text round trip the request files and the send pipeline rely on.
    const QString text = table().GetRequestHeaders();
    EXPECT_EQ(text, u"Accept: x\r\nCookie: a=5;b=2\r\nUser-Agent: ua\r\n"_s);
    HTTPRequest request;
    EXPECT_EQ(table().AddHeadersToRequest(request), 0);
    EXPECT_EQ(request.Header, u"Accept: x\r\nCookie: a=5;b=2\r\nUser-Agent: ua"_s);
    table().LoadHeadersFromText(u"Y: 2\nX: 1\nno colon\n"_s);
    EXPECT_EQ(names(table()), (QStringList { u"X"_s, u"Y"_s }));
    EXPECT_EQ(grid()->model()->rowCount(), 2);
    table().LoadHeadersFromText(text);
    EXPECT_EQ(table().GetRequestHeaders(), text);
}

TEST_F(ctrlHeadersTest, ConnectionAndAutomaticHostValuesSayWhyAndCannotBeEdited)
{
    table().LoadHeadersFromText(u"Connection: close\nHost: example.com\nX-Custom: 1"_s);
    settings.SetHostHeader = true;

    click(cell(u"Connection"_s, 1));
    EXPECT_EQ(grid()->toolTip(), u"\"Connection: keep-alive\" is not supported by Pelorin"_s);
    EXPECT_FALSE(editorOpen(cell(u"Connection"_s, 1)));
    // Hovering over the grid shows it.
    const QPoint over = grid()->visualRect(cell(u"Connection"_s, 1)).center();
    QHelpEvent hover(QEvent::ToolTip, over, grid()->viewport()->mapToGlobal(over));
    QApplication::sendEvent(grid()->viewport(), &hover);
    EXPECT_EQ(QToolTip::text(), grid()->toolTip());
    QToolTip::hideText();
    QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {},
                       grid()->visualRect(cell(u"Connection"_s, 1)).center());
    EXPECT_FALSE(editorOpen(cell(u"Connection"_s, 1))) << "not even by double click";
    QTest::keyClick(grid()->viewport(), Qt::Key_Z);
    EXPECT_EQ(table().GetRequestHeaderValue(u"Connection"_s), u"close"_s);
    EXPECT_TRUE(control.cmdValue()->isHidden());

    click(cell(u"Host"_s, 1));
    EXPECT_EQ(grid()->toolTip(),
              u"\"Auto-set-host-header\" is enabled. You can change that "
              "setting from the control panel."_s);
    EXPECT_FALSE(editorOpen(cell(u"Host"_s, 1)));

    // A click in the name column changes nothing, the tool tip included.
    click(cell(u"X-Custom"_s, 0));
    EXPECT_FALSE(editorOpen(cell(u"X-Custom"_s, 0)));
    EXPECT_TRUE(grid()->toolTip().startsWith(u"\"Auto-set"_s));

    // The setting is read at the click, not when the control was made.
    settings.SetHostHeader = false;
    click(cell(u"Host"_s, 1));
    EXPECT_EQ(grid()->toolTip(), QString());
    EXPECT_TRUE(editorOpen(cell(u"Host"_s, 1))) << "Host has no catalogued values";
}

TEST_F(ctrlHeadersTest, UncataloguedValueIsEditedInPlaceAtOnce)
{
    table().LoadHeadersFromText(u"X-Custom: old\nAccept: */*"_s);
    click(cell(u"X-Custom"_s, 1));
    QWidget* editor = grid()->indexWidget(cell(u"X-Custom"_s, 1));
    ASSERT_NE(editor, nullptr) << "editing starts without a second click";
    EXPECT_TRUE(control.cmdValue()->isHidden());
    auto* line = qobject_cast<QLineEdit*>(editor);
    ASSERT_NE(line, nullptr);
    line->selectAll();
    QTest::keyClicks(line, u"new value"_s);
    QTest::keyClick(line, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !editorOpen(cell(u"X-Custom"_s, 1)); }));
    EXPECT_EQ(table().GetRequestHeaderValue(u"X-Custom"_s), u"new value"_s);
    // "Accept" is catalogued but has no values: edited in place as well.
    click(cell(u"Accept"_s, 1));
    EXPECT_TRUE(editorOpen(cell(u"Accept"_s, 1)));
}

TEST_F(ctrlHeadersTest, CataloguedValuesAreChosenThroughTheValueButton)
{
    table().LoadHeadersFromText(u"Accept-Encoding: identity\nDNT: 1\nX-Multi: b\nZ: z"_s);
    const QModelIndex encoding = cell(u"Accept-Encoding"_s, 1);
    click(encoding);
    QToolButton* button = control.cmdValue();
    ASSERT_TRUE(button->isVisible()) << "a catalogued header shows the value button";
    EXPECT_EQ(button->text(), u"..."_s);
    EXPECT_FALSE(editorOpen(encoding)) << "the button, not an editor, comes first";
    const QRect inCell = grid()->visualRect(encoding);
    EXPECT_TRUE(inCell.contains(button->geometry())) << "the button sits in its cell";
    EXPECT_EQ(button->geometry().right(), inCell.right());
    EXPECT_NE(grid()->editTriggers(), QAbstractItemView::NoEditTriggers);

    // Several values, clicked out of list order, come out in list order with the separator
    // the catalogue gives.
    driveNext<frmHeaderValue>([](frmHeaderValue& chooser) {
        EXPECT_EQ(chooser.formBar()->Caption(), u"Header values"_s);
        EXPECT_EQ(chooser.txtCustomValue()->text(), u"identity"_s);
        EXPECT_TRUE(chooser.lblSelectMultiple()->isVisible());
        EXPECT_EQ(chooser.lblSelectMultiple()->text(),
                  u"(hold down 'ctrl' to select multiple values)"_s);
        QListWidget* list = chooser.ListView1();
        ASSERT_EQ(list->count(), 3);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(1)).center());
        EXPECT_EQ(chooser.txtCustomValue()->text(), u"deflate"_s);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          list->visualItemRect(list->item(0)).center());
        EXPECT_EQ(chooser.txtCustomValue()->text(), u"gzip, deflate"_s);
        chooser.cmdOK()->click();
    });
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(table().GetRequestHeaderValue(u"Accept-Encoding"_s), u"gzip, deflate"_s);

    // Without a separator in the catalogue several values are joined by ";".
    click(cell(u"X-Multi"_s, 1));
    driveNext<frmHeaderValue>([](frmHeaderValue& chooser) {
        QListWidget* list = chooser.ListView1();
        ASSERT_EQ(list->count(), 3);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(0)).center());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          list->visualItemRect(list->item(2)).center());
        EXPECT_EQ(chooser.txtCustomValue()->text(), u"a;c"_s);
        chooser.cmdOK()->click();
    });
    QTest::mouseClick(control.cmdValue(), Qt::LeftButton);
    EXPECT_EQ(table().GetRequestHeaderValue(u"X-Multi"_s), u"a;c"_s);

    // One value only: no hint, a click replaces the text; Cancel keeps the old value.
    click(cell(u"DNT"_s, 1));
    driveNext<frmHeaderValue>([](frmHeaderValue& chooser) {
        EXPECT_FALSE(chooser.lblSelectMultiple()->isVisible());
        QListWidget* list = chooser.ListView1();
        ASSERT_EQ(list->count(), 2);
        EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          list->visualItemRect(list->item(1)).center());
        EXPECT_EQ(chooser.txtCustomValue()->text(), u"0"_s);
        chooser.cmdCancel()->click();
    });
    QTest::mouseClick(control.cmdValue(), Qt::LeftButton);
    EXPECT_EQ(table().GetRequestHeaderValue(u"DNT"_s), u"1"_s);
    EXPECT_FALSE(control.headerValueDialog()->bOkClicked());

    // The button goes with its cell: another click elsewhere, or the row's removal.
    click(cell(u"Z"_s, 1));
    EXPECT_TRUE(control.cmdValue()->isHidden());
    click(cell(u"DNT"_s, 1));
    ASSERT_TRUE(control.cmdValue()->isVisible());
    table().RemoveHeader(u"DNT"_s);
    EXPECT_TRUE(control.cmdValue()->isHidden());
}

TEST_F(ctrlHeadersTest, CatalogueTicksPresentHeadersAndAppliesTicksOnlyOnOk)
{
    table().LoadHeadersFromText(u"Accept: */*\nDNT: 1\nx-multi: a"_s);
    const QList<HeaderTable::Row> before = table().rows();

    driveNext<frmRequestHeaders>([](frmRequestHeaders& catalogue) {
        EXPECT_EQ(catalogue.formBar()->Caption(), u"Request Headers"_s);
        QStringList listed;
        for (int i = 0; i < catalogue.entryCount(); ++i)
            listed.append(catalogue.entryName(i));
        EXPECT_EQ(listed,
                  (QStringList { u"Accept"_s, u"Accept-Encoding"_s, u"Connection"_s,
                                 u"Content-Length"_s, u"DNT"_s, u"Host"_s, u"X-Multi"_s }))
            << "an option without a name is not listed";
        EXPECT_EQ(catalogue.lstHeaders()->topLevelItem(6)->text(1), QString());
        EXPECT_EQ(catalogue.lstHeaders()->topLevelItem(0)->text(1), u"Media types"_s);
        for (int i = 0; i < catalogue.entryCount(); ++i) {
            const QString name = catalogue.entryName(i);
            EXPECT_EQ(catalogue.isEntryChecked(i),
                      name == "Accept"_L1 || name == "DNT"_L1 || name == "X-Multi"_L1)
                << name.toStdString() << ": ticks compare names ignoring case";
            EXPECT_EQ(catalogue.isGreyedEntry(i),
                      name == "Connection"_L1 || name == "Content-Length"_L1 || name == "Host"_L1)
                << name.toStdString();
        }
        catalogue.setEntryChecked(0, false);
        catalogue.setEntryChecked(5, true);
        catalogue.cmdCancel()->click();
    });
    control.cmdAddHeader()->click();
    EXPECT_EQ(table().rows(), before) << "Cancel leaves the grid as it was";

    driveNext<frmRequestHeaders>([](frmRequestHeaders& catalogue) {
        EXPECT_TRUE(catalogue.isEntryChecked(0)) << "ticks are set again from the grid";
        EXPECT_FALSE(catalogue.isEntryChecked(5));
        catalogue.setEntryChecked(4, false); // DNT
        catalogue.setEntryChecked(3, true); // Content-Length
        catalogue.setEntryChecked(1, true); // Accept-Encoding
        catalogue.setEntryChecked(6, true); // X-Multi, present as x-multi
        catalogue.cmdOK()->click();
    });
    control.cmdAddHeader()->click();
    EXPECT_TRUE(control.requestHeadersDialog()->bOkClicked());
    EXPECT_TRUE(control.requestHeadersDialog()->isHidden());
    EXPECT_EQ(table().rows(),
              (QList<HeaderTable::Row> { { u"Accept"_s, u"*/*"_s },
                                         { u"Accept-Encoding"_s, QString() },
                                         { u"Content-Length"_s, QString() },
                                         { u"x-multi"_s, u"a"_s } }))
        << "added with empty values, removed, re-sorted; ticked x-multi keeps its value";
}

TEST_F(ctrlHeadersTest, CustomEntriesAreAddedTrimmedAndRemovedWithTheirRow)
{
    auto answer = [](const QString& text) {
        driveNext<QInputDialog>([text](QInputDialog& input) {
            EXPECT_EQ(input.windowTitle(), u"Add custom header"_s);
            EXPECT_EQ(input.labelText(), u"Name:"_s);
            input.setTextValue(text);
            input.accept();
        });
    };
    driveNext<frmRequestHeaders>([&](frmRequestHeaders& catalogue) {
        const int listed = catalogue.entryCount();
        answer(u"   "_s);
        catalogue.addCustom()->click();
        EXPECT_EQ(catalogue.entryCount(), listed) << "spaces only add nothing";
        answer(u"  X-Trace  "_s);
        catalogue.addCustom()->click();
        ASSERT_EQ(catalogue.entryCount(), listed + 1);
        EXPECT_EQ(catalogue.entryName(listed), u"X-Trace"_s);
        EXPECT_TRUE(catalogue.isCustomEntry(listed));
        EXPECT_FALSE(catalogue.isEntryChecked(listed));
        EXPECT_EQ(catalogue.lstHeaders()->topLevelItem(listed)->text(1), u"Custom header"_s);
        EXPECT_EQ(catalogue.lstHeaders()->currentItem(),
                  catalogue.lstHeaders()->topLevelItem(listed));
        EXPECT_TRUE(catalogue.cmdRemoveCustom()->isEnabled());
        catalogue.setEntryChecked(listed, true);
        catalogue.cmdOK()->click();
    });
    control.cmdAddHeader()->click();
    EXPECT_EQ(names(table()), QStringList { u"X-Trace"_s });

    // Removing the custom entry takes its row at once, even when the dialog is cancelled.
    driveNext<frmRequestHeaders>([](frmRequestHeaders& catalogue) {
        const int custom = catalogue.entryCount() - 1;
        ASSERT_TRUE(catalogue.isCustomEntry(custom)) << "custom entries stay between uses";
        EXPECT_TRUE(catalogue.isEntryChecked(custom));
        QTreeWidget* list = catalogue.lstHeaders();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->topLevelItem(0)).center());
        EXPECT_FALSE(catalogue.cmdRemoveCustom()->isEnabled()) << "not for a catalogue entry";
        catalogue.cmdRemoveCustom()->click();
        EXPECT_EQ(catalogue.entryCount(), custom + 1);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->topLevelItem(custom)).center());
        ASSERT_TRUE(catalogue.cmdRemoveCustom()->isEnabled());
        catalogue.cmdRemoveCustom()->click();
        EXPECT_EQ(catalogue.entryCount(), custom);
        catalogue.cmdCancel()->click();
    });
    control.cmdAddHeader()->click();
    EXPECT_TRUE(table().rows().isEmpty());
}

TEST_F(ctrlHeadersTest, HelpOpensTheHeaderFieldDefinitions)
{
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(u"https"_s, &recorder, "open");
    driveNext<frmRequestHeaders>([](frmRequestHeaders& catalogue) {
        EXPECT_EQ(catalogue.lblURL()->text().contains(
                      u">Online reference: HTTP/1.1 RFC 2616 Header Field Definitions<"_s),
                  true);
        catalogue.cmdHelp()->click();
        EXPECT_EQ(catalogue.focusWidget(), catalogue.lstHeaders())
            << "the list gets the focus back";
        catalogue.cmdCancel()->click();
    });
    control.cmdAddHeader()->click();
    QDesktopServices::unsetUrlHandler(u"https"_s);
    ASSERT_EQ(recorder.opened.size(), 1);
    EXPECT_EQ(recorder.opened.first(), QUrl(frmRequestHeaders::referenceUrl()));
    EXPECT_TRUE(recorder.opened.first().toString().contains(u"rfc9110"_s));
}

TEST_F(ctrlHeadersTest, BasicAuthenticationEncodesTheLoginBoxes)
{
    table().AddHeader(u"authorization"_s, u"Bearer x"_s, false);
    driveNext<frmLogin>([](frmLogin& login) {
        EXPECT_EQ(login.formBar()->Caption(), u"Add Basic Authentication header"_s);
        EXPECT_EQ(login.txtPassword()->echoMode(), QLineEdit::Password);
        QTest::keyClicks(login.txtUID(), u"test"_s);
        QTest::keyClicks(login.txtPassword(), u"123\u00A3"_s);
        QTest::keyClick(login.txtPassword(), Qt::Key_Return);
        EXPECT_TRUE(login.isHidden()) << "Enter in the password box acts as Add";
    });
    control.cmdBasicAuth()->click();
    EXPECT_TRUE(control.loginDialog()->bLogin());
    // RFC 7617 2.1: "test" and "123" followed by the pound sign, in UTF-8.
    EXPECT_EQ(names(table()), QStringList { u"authorization"_s }) << "replaced, not added";
    EXPECT_EQ(table().GetRequestHeaderValue(u"authorization"_s), u"Basic dGVzdDoxMjPCow=="_s);

    // The boxes keep their texts; Cancel adds nothing.
    table().ClearHeaders();
    driveNext<frmLogin>([](frmLogin& login) {
        EXPECT_EQ(login.txtUID()->text(), u"test"_s);
        EXPECT_EQ(login.txtPassword()->text(), u"123\u00A3"_s);
        login.cmdCancel()->click();
    });
    control.cmdBasicAuth()->click();
    EXPECT_FALSE(control.loginDialog()->bLogin());
    EXPECT_TRUE(table().rows().isEmpty());

    // Enter in the user id box acts as Add as well.
    driveNext<frmLogin>([](frmLogin& login) {
        login.txtUID()->setText(u"Aladdin"_s);
        login.txtPassword()->setText(u"open sesame"_s);
        QTest::keyClick(login.txtUID(), Qt::Key_Enter);
    });
    control.cmdBasicAuth()->click();
    EXPECT_EQ(table().GetRequestHeaderValue(u"Authorization"_s),
              u"Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ=="_s);
}

TEST_F(ctrlHeadersTest, DialogsAreCentredByThePlacerOrOverTheControlsWindow)
{
    // Frameless, so that its outer size is known before the platform reports its frame.
    QWidget host(nullptr, Qt::FramelessWindowHint);
    host.setGeometry(40, 30, 900, 600);
    control.setParent(&host);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    QPoint at;
    driveNext<frmLogin>([&at](frmLogin& login) {
        at = login.pos();
        login.reject();
    });
    control.cmdBasicAuth()->click();
    ASSERT_NE(control.loginDialog(), nullptr);
    EXPECT_EQ(
        at,
        host.frameGeometry().topLeft()
            + DialogPlacer::centeredOffset(host.frameSize(), control.loginDialog()->frameSize()));

    RecordingPlacer placer;
    control.setDialogPlacer(&placer);
    driveNext<frmRequestHeaders>([&at](frmRequestHeaders& catalogue) {
        at = catalogue.pos();
        catalogue.reject();
    });
    control.cmdAddHeader()->click();
    ASSERT_EQ(placer.placed.size(), 1);
    EXPECT_EQ(placer.placed.first(), control.requestHeadersDialog());
    EXPECT_EQ(at, QPoint(7, 9));
    control.setDialogPlacer(nullptr);
    control.setParent(nullptr);
}

TEST_F(ctrlHeadersTest, DisablingControlsDisablesGridAndButtonsTogether)
{
    control.f_DisableControls();
    EXPECT_FALSE(grid()->isEnabled());
    EXPECT_FALSE(control.cmdAddHeader()->isEnabled());
    EXPECT_FALSE(control.cmdBasicAuth()->isEnabled());
    control.f_EnableControls();
    EXPECT_TRUE(grid()->isEnabled() && control.cmdAddHeader()->isEnabled()
                && control.cmdBasicAuth()->isEnabled());
}

#include "ctrlHeadersTest.moc"
