#include "transport/widgets/ClientCertificatesDialog.h"

#include "persistence/AppData.h"
#include "persistence/DataFolder.h"
#include "shell/widgets/DialogRunner.h"
#include "support/Recorders.h"
#include "transport/widgets/frmBrowser.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A request window over the user data of one folder, as the program makes it at start.
struct Session
{
    explicit Session(const DataFolder& folder)
        : app(folder, messages)
    {
        EXPECT_TRUE(app.LoadConfiguration(nullptr));
        app.LoadUserData();
        window = std::make_unique<frmBrowser>(app, messages);
        window->loadClientCertificates();
        window->findChild<QComboBox*>(u"cmbServer"_s)->setEditText(u"API.test"_s);
        window->findChild<QCheckBox*>(u"chkSecureConnection"_s)->setChecked(true);
        window->findChild<QLineEdit*>(u"txtPortSecure"_s)->setText(u"8443"_s);
    }

    // Opens the window's client certificates dialog and lets driver play the user.
    void open(const std::function<void(ClientCertificatesDialog&)>& driver)
    {
        bool driven = false;
        DialogRunner::pushDriver([&](QDialog& dialog) {
            auto* certificates = qobject_cast<ClientCertificatesDialog*>(&dialog);
            ASSERT_NE(certificates, nullptr);
            driven = true;
            driver(*certificates);
        });
        window->openClientCertificates();
        EXPECT_TRUE(driven);
    }

    MessageRecorder messages;
    AppData app;
    std::unique_ptr<frmBrowser> window;
};

TEST(ClientCertificatesDialogTest, ChoiceForTheCurrentTargetIsKeptWithTheUserData)
{
    QTemporaryDir dir;
    const DataFolder::Resolution data = DataFolder::Resolve(dir.path());
    ASSERT_TRUE(bool(data)) << data.error.toStdString();
    {
        Session first(data.folder);
        first.open([](ClientCertificatesDialog& dialog) {
            EXPECT_EQ(dialog.targetBox()->currentText(), u"api.test:8443"_s);
            dialog.targetBox()->setEditText(u"no port"_s);
            QTest::mouseClick(dialog.saveButton(), Qt::LeftButton);
            EXPECT_FALSE(dialog.problem().isEmpty());

            dialog.targetBox()->setEditText(u"api.test:8443"_s);
            dialog.typeBox()->setCurrentIndex(1);
            EXPECT_FALSE(dialog.keyBox()->isEnabled()) << "a bundle holds its key";
            dialog.certificateBox()->setText(u"/certs/id.p12"_s);
            dialog.caBox()->setText(u"/certs/ca.pem"_s);
            QTest::mouseClick(dialog.saveButton(), Qt::LeftButton);
            EXPECT_TRUE(dialog.problem().isEmpty()) << dialog.problem().toStdString();
        });
        EXPECT_EQ(first.window->clientTls().choiceFor(u"api.test"_s, 8443).identity.certFile,
                  u"/certs/id.p12"_s);
    }
    QFile saved(data.folder.userDataFile());
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().contains("/certs/id.p12"));

    // The next start shows the choice again, and Remove forgets it.
    Session second(data.folder);
    second.open([](ClientCertificatesDialog& dialog) {
        EXPECT_EQ(dialog.typeBox()->currentIndex(), 1);
        EXPECT_EQ(dialog.certificateBox()->text(), u"/certs/id.p12"_s);
        EXPECT_EQ(dialog.caBox()->text(), u"/certs/ca.pem"_s);
        QTest::mouseClick(dialog.removeButton(), Qt::LeftButton);
        EXPECT_TRUE(dialog.certificateBox()->text().isEmpty());
    });
    EXPECT_TRUE(second.window->clientTls().targets().isEmpty());

    // A pasted curl command's certificate becomes its target's choice, and Copy as curl carries it.
    ASSERT_TRUE(second.window->pasteCurlCommand(
        u"curl https://api.test:8443/ --cert /certs/a.pem --key /certs/a.key"_s));
    EXPECT_EQ(second.window->clientTls().choiceFor(u"api.test"_s, 8443).identity.keyFile,
              u"/certs/a.key"_s);
    const QString command = second.window->curlCommand();
    EXPECT_TRUE(command.contains(u"--cert /certs/a.pem"_s)
                && command.contains(u"--key /certs/a.key"_s))
        << command.toStdString();
}

} // namespace
