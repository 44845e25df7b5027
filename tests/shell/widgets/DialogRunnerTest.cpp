#include "shell/widgets/DialogRunner.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A dialog whose Enter key accepts, as the program's dialogs do through a default button.
struct AskDialog final : QDialog
{
    AskDialog()
        : box(new QLineEdit(this))
        , ok(new QPushButton(u"OK"_s, this))
    {
        ok->setDefault(true);
        ok->move(0, 40);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
    QLineEdit* box;
    QPushButton* ok;
};

} // namespace

TEST(DialogRunnerTest, DriversPlayTheUserInOrderAndUndrivenDialogsAreCancelled)
{
    ASSERT_TRUE(DialogRunner::isNonInteractive()) << "set by the widget test main";
    AskDialog first;
    AskDialog second;
    QStringList seen;
    DialogRunner::pushDriver([&](QDialog& dialog) {
        seen.append(u"first"_s);
        EXPECT_EQ(&dialog, &first);
        EXPECT_TRUE(dialog.isVisible() && dialog.isModal());
        QTest::keyClick(first.box, Qt::Key_Return);
    });
    DialogRunner::pushDriver([&](QDialog&) { seen.append(u"second"_s); });
    EXPECT_EQ(DialogRunner::pendingDrivers(), 2);
    EXPECT_EQ(DialogRunner::exec(first), QDialog::Accepted);
    EXPECT_TRUE(first.isHidden());
    EXPECT_EQ(DialogRunner::exec(second), QDialog::Rejected)
        << "a driver that leaves its dialog open has it cancelled";
    EXPECT_TRUE(second.isHidden());
    EXPECT_EQ(seen, (QStringList { u"first"_s, u"second"_s }));

    EXPECT_EQ(DialogRunner::takeUnattended(), 0);
    EXPECT_EQ(DialogRunner::exec(first), QDialog::Rejected) << "nobody there: cancelled";
    EXPECT_EQ(DialogRunner::takeUnattended(), 1);
    EXPECT_EQ(DialogRunner::takeUnattended(), 0);
}

TEST(DialogRunnerTest, WithoutDriverOrHookTheDialogRunsModally)
{
    DialogRunner::setNonInteractive(false);
    AskDialog dialog;
    bool wasModal = false;
    QTimer::singleShot(0, qApp, [&] {
        wasModal = QApplication::activeModalWidget() == &dialog;
        QTest::keyClick(dialog.box, Qt::Key_Return);
        if (dialog.isVisible())
            dialog.reject(); // never leave the loop running, whatever happened above
    });
    const int result = DialogRunner::exec(dialog);
    DialogRunner::setNonInteractive(true);
    EXPECT_TRUE(wasModal);
    EXPECT_EQ(result, QDialog::Accepted);
}
