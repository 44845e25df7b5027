#include "editing/widgets/frmFORMBuilder.h"

#include "editing/FormBodyTarget.h"
#include "editing/FormFieldTable.h"
#include "editing/widgets/frmTextareaData.h"
#include "shell/widgets/DialogRunner.h"
#include "support/FileHelpers.h"
#include "support/MultipartParser.h"
#include "support/Recorders.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kV1 = FormFieldTable::kFirstValueColumn;

class RecordingTarget final : public FormBodyTarget
{
public:
    void applyFormBody(const FormBody& body) override { bodies.append(body); }
    QList<FormBody> bodies;
};

class frmFORMBuilderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        builder.setTarget(&target);
        builder.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&builder));
    }

    void TearDown() override
    {
        EXPECT_EQ(DialogRunner::pendingDrivers(), 0) << "a dialog the test drove never came";
        DialogRunner::clearDrivers();
        EXPECT_EQ(DialogRunner::takeUnattended(), 0) << "a dialog came that no test drove";
    }

    QTableView* grid() { return builder.flxFormItems(); }
    FormFieldTable& rows() { return *builder.rows(); }
    // Adds a row of the type code as the user does; its name editor stays open.
    int add(const QString& code)
    {
        QComboBox* box = builder.cmbNewField();
        for (int i = 0; i < box->count(); ++i) {
            if (FormFieldTable::typeCodeOf(box->itemText(i)) == code)
                box->setCurrentIndex(i);
        }
        builder.cmdAddField()->click();
        return rows().rowCount() - 1;
    }
    void click(int row, int column)
    {
        const QModelIndex index = rows().index(row, column);
        grid()->scrollTo(index);
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {},
                          grid()->visualRect(index).center());
    }
    bool editorOpen(int row, int column)
    {
        return grid()->indexWidget(rows().index(row, column)) != nullptr;
    }
    // Runs the builder as its caller does, with a driver that presses button.
    int runAndPress(QPushButton* (frmFORMBuilder::*button)() const)
    {
        builder.hide();
        DialogRunner::pushDriver(
            [button](QDialog& shown) { (static_cast<frmFORMBuilder&>(shown).*button)()->click(); });
        return DialogRunner::exec(builder);
    }

    MessageRecorder messages;
    RecordingTarget target;
    frmFORMBuilder builder { messages };
};

} // namespace

TEST_F(frmFORMBuilderTest, AddTakesTheChosenTypeAndStartsEditingTheName)
{
    EXPECT_EQ(builder.cmbNewField()->count(), 5);
    EXPECT_FALSE(builder.cmbNewField()->isEditable());
    EXPECT_FALSE(builder.cmdRemoveField()->isEnabled());

    builder.cmbNewField()->setCurrentIndex(1);
    builder.cmdAddField()->click();
    ASSERT_EQ(rows().rowCount(), 1);
    EXPECT_EQ(rows().fields().at(0).type, u"MV"_s);
    auto* editor = qobject_cast<QLineEdit*>(grid()->indexWidget(rows().index(0, 0)));
    ASSERT_NE(editor, nullptr) << "the name cell is not being edited";
    EXPECT_EQ(editor->selectedText(), u"Field1"_s);
    QTest::keyClicks(editor, u"colour"_s);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(rows().fields().at(0).name, u"colour"_s);
    EXPECT_TRUE(builder.isVisible()) << "Enter in a cell closed the builder";
    EXPECT_TRUE(builder.cmdRemoveField()->isEnabled());

    // The Type cell is painted in the tint.
    const int row = add(u"SV"_s);
    const QRect typeCell = grid()->visualRect(rows().index(row, FormFieldTable::kTypeColumn));
    const QImage shot = grid()->viewport()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(typeCell.topLeft() + QPoint(3, 3)), QColor(255, 224, 192));
    // On a dark desktop (light text) the type name on the light tint is still dark.
    QPalette dark = grid()->palette();
    dark.setColor(QPalette::Text, QColor(0xe6, 0xe6, 0xe6));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x20));
    grid()->setPalette(dark);
    const QImage darkShot = grid()->viewport()->grab().toImage();
    int darkest = 255;
    const QRect pixels(typeCell.topLeft() * darkShot.devicePixelRatio(),
                       typeCell.size() * darkShot.devicePixelRatio());
    for (int y = pixels.top() + 2; y < pixels.bottom() - 1; ++y)
        for (int x = pixels.left() + 2; x < pixels.right() - 1; ++x)
            darkest = std::min(darkest, qGray(darkShot.pixel(x, y)));
    EXPECT_LT(darkest, 100) << "the type name is not readable on the tint";
}

TEST_F(frmFORMBuilderTest, ClicksEditOnlyTheCellsTheTypeUsesAndSelectRowsForRemove)
{
    const int sv = add(u"SV"_s);
    const int img = add(u"IMG"_s);
    click(sv, FormFieldTable::kTypeColumn);
    EXPECT_FALSE(editorOpen(sv, FormFieldTable::kTypeColumn));
    click(sv, kV1 + 1);
    EXPECT_FALSE(editorOpen(sv, kV1 + 1));
    click(img, kV1 + 2);
    EXPECT_FALSE(editorOpen(img, kV1 + 2)) << "the (x,y) hint is not a value";
    click(img, kV1 + 1);
    EXPECT_TRUE(editorOpen(img, kV1 + 1));
    click(sv, kV1);
    EXPECT_TRUE(editorOpen(sv, kV1));

    QTest::mouseClick(grid()->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(5, grid()->horizontalHeader()->height() / 2));
    EXPECT_FALSE(builder.cmdRemoveField()->isEnabled());
    click(sv, FormFieldTable::kNameColumn);
    EXPECT_TRUE(builder.cmdRemoveField()->isEnabled());
    builder.cmdRemoveField()->click();
    ASSERT_EQ(rows().rowCount(), 1);
    EXPECT_EQ(rows().fields().at(0).type, u"IMG"_s);
    EXPECT_FALSE(builder.cmdRemoveField()->isEnabled());
    builder.cmdRemoveAll()->click();
    EXPECT_EQ(rows().rowCount(), 0);
}

TEST_F(frmFORMBuilderTest, TextareaDialogEditsTheKeptTextOnlyOnOk)
{
    const int row = add(u"TXT"_s);
    ASSERT_TRUE(rows().setFieldText(row, u"old\r\ntext"_s));
    DialogRunner::pushDriver([](QDialog& shown) {
        auto* editor = qobject_cast<frmTextareaData*>(&shown);
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->rtfTextareaData()->toPlainText(), u"old\ntext"_s);
        editor->rtfTextareaData()->setPlainText(u"thrown away"_s);
        editor->cmdCancel()->click();
    });
    click(row, kV1);
    EXPECT_EQ(rows().fieldText(row), u"old\r\ntext"_s);

    DialogRunner::pushDriver([](QDialog& shown) {
        auto& editor = static_cast<frmTextareaData&>(shown);
        editor.rtfTextareaData()->setPlainText(u"line 1\nline 2"_s);
        editor.cmdOK()->click();
    });
    click(row, kV1);
    EXPECT_EQ(rows().fieldText(row), u"line 1\nline 2"_s);
    EXPECT_EQ(rows().fields().at(row).values.at(0), u"[..]"_s);
}

TEST_F(frmFORMBuilderTest, FileChooserKeepsThePathAndACancelChangesNothing)
{
    const int row = add(u"FILE"_s);
    // Without a driver the real file dialog is cancelled unseen.
    click(row, kV1);
    EXPECT_EQ(DialogRunner::takeUnattended(), 1);
    EXPECT_TRUE(rows().fields().at(row).filePath().isEmpty());

    QString next = u"/data/pic.png"_s;
    builder.setFileChooser([&next] { return next; });
    click(row, kV1);
    EXPECT_EQ(rows().fields().at(row).filePath(), u"/data/pic.png"_s);
    EXPECT_EQ(grid()->columnSpan(row, kV1 + 1), FormField::kValueCount - 1);
    next.clear();
    click(row, kV1);
    EXPECT_EQ(rows().fields().at(row).filePath(), u"/data/pic.png"_s);
}

TEST_F(frmFORMBuilderTest, OkDeliversTheBodyAndCancelDoesNot)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"b.bin"_s);
    ASSERT_TRUE(FileHelpers::writeFile(path, QByteArray("\x00\xff\r\n", 4)));
    const int sv = add(u"SV"_s);

    // What is typed into a cell counts when OK is clicked straight away.
    builder.hide();
    DialogRunner::pushDriver([this, sv](QDialog&) {
        click(sv, kV1);
        QTest::keyClicks(grid()->indexWidget(rows().index(sv, kV1)), u"1"_s);
        QTest::mouseClick(builder.cmdOK(), Qt::LeftButton);
    });
    EXPECT_EQ(DialogRunner::exec(builder), QDialog::Accepted);
    EXPECT_TRUE(builder.bOkClicked());
    ASSERT_EQ(target.bodies.size(), 1);
    EXPECT_EQ(target.bodies.at(0).body, "Field1=1");

    const int file = add(u"FILE"_s);
    rows().setFilePath(file, path);
    EXPECT_EQ(runAndPress(&frmFORMBuilder::cmdCancel), QDialog::Rejected);
    EXPECT_FALSE(builder.bOkClicked());
    EXPECT_EQ(target.bodies.size(), 1);

    EXPECT_EQ(runAndPress(&frmFORMBuilder::cmdOK), QDialog::Accepted);
    ASSERT_EQ(target.bodies.size(), 2);
    const MultipartMessage message
        = parseMultipart(target.bodies.at(1).contentType.toUtf8(), target.bodies.at(1).body);
    ASSERT_TRUE(message) << message.error.toStdString();
    ASSERT_EQ(message.parts.size(), 2);
    EXPECT_EQ(message.parts.at(1).content, QByteArray("\x00\xff\r\n", 4));
    EXPECT_EQ(builder.formBody().body, target.bodies.at(1).body);

    // A file that went missing: a message, the builder stays open, nothing is delivered.
    QFile::remove(path);
    builder.hide();
    DialogRunner::pushDriver([](QDialog& shown) {
        static_cast<frmFORMBuilder&>(shown).cmdOK()->click();
        EXPECT_TRUE(shown.isVisible());
    });
    EXPECT_EQ(DialogRunner::exec(builder), QDialog::Rejected);
    EXPECT_FALSE(builder.bOkClicked());
    EXPECT_EQ(target.bodies.size(), 2);
    ASSERT_EQ(messages.messages.size(), 1);
    EXPECT_EQ(messages.messages.at(0).title, u"Error:"_s);
    EXPECT_TRUE(messages.messages.at(0).text.contains(path));
}

TEST_F(frmFORMBuilderTest, HtmlFormRowsWithLockedFieldControls)
{
    builder.AddFormItem(u"user"_s, 0, u"ann"_s);
    builder.AddFormItem(u"go"_s, 4, QString());
    builder.DisableAddFieldControls();
    for (QWidget* part :
         std::initializer_list<QWidget*> { builder.lblFieldType(), builder.cmbNewField(),
                                           builder.cmdAddField(), builder.cmdRemoveField() })
        EXPECT_FALSE(part->isEnabled()) << part->objectName().toStdString();
    click(0, kV1);
    EXPECT_FALSE(builder.cmdRemoveField()->isEnabled());
    EXPECT_TRUE(editorOpen(0, kV1));

    builder.setMultipartRequested(true);
    EXPECT_EQ(runAndPress(&frmFORMBuilder::cmdOK), QDialog::Accepted);
    ASSERT_EQ(target.bodies.size(), 1);
    EXPECT_TRUE(target.bodies.at(0).contentType.startsWith(u"multipart/form-data; boundary="_s));

    builder.EnableAddFieldControls();
    EXPECT_TRUE(builder.cmdAddField()->isEnabled());
    EXPECT_TRUE(builder.cmdRemoveField()->isEnabled());
}

TEST(frmFORMBuilderAppTest, TheAppBuilderKeepsItsRowsWhileItsOwnerLives)
{
    MessageRecorder messages;
    auto owner = std::make_unique<QWidget>();
    frmFORMBuilder& first = frmFORMBuilder::appBuilder(messages, owner.get());
    first.rows()->AddField(u"SV"_s);
    frmFORMBuilder& again = frmFORMBuilder::appBuilder(messages, owner.get());
    EXPECT_EQ(&again, &first);
    EXPECT_EQ(again.rows()->rowCount(), 1);
    EXPECT_EQ(again.parentWidget(), owner.get());

    owner.reset();
    QWidget otherOwner;
    EXPECT_EQ(frmFORMBuilder::appBuilder(messages, &otherOwner).rows()->rowCount(), 0);
}
