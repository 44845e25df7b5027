#pragma once

#include "shell/widgets/FramedDialog.h"
#include "transport/RequestForm.h"

#include <functional>

class ElidedLabel;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The prompt that asks whether to follow a redirect. Create it once and keep it: hidden
// between prompts, it keeps the user's last check box choices for the rest of the run.
class frmRedirect final : public FramedDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmRedirect)

public:
    // A hidden prompt of the design size with every option checked.
    explicit frmRedirect(QWidget* parent = nullptr);
    ~frmRedirect() override;

    // Shows question.location, the status code and the follow-up's method, and offers
    // question.referer, then waits modally for the
    // answer. True after "Yes": the referer text and the three check states are written
    // back into question. False after "Cancel", Escape or closing: question is untouched.
    // Never waits when no one is there (see setTestDriver).
    bool ask(RedirectQuestion& question);

    // True after "Yes", false after "Cancel" (and before the first answer).
    bool bOkClicked = false;

    ElidedLabel* lblLocation() const { return m_lblLocation; }
    QLabel* lblMethod() const { return m_lblMethod; }
    QCheckBox* chkAddReferer() const { return m_chkAddReferer; }
    QLineEdit* txtReferer() const { return m_txtReferer; }
    QCheckBox* chkAutoSend() const { return m_chkAutoSend; }
    QCheckBox* chkRemoveCookies() const { return m_chkRemoveCookies; }
    QPushButton* cmdProceed() const { return m_cmdProceed; }
    QPushButton* cmdCancel() const { return m_cmdCancel; }

    // Test hook for every prompt in the process. While a driver is set, ask() shows the
    // prompt without a modal loop and calls the driver with it; the driver may change the
    // controls and press a button, and a prompt it leaves open counts as "Cancel". Without
    // a driver, while MessageBoxSink is non-interactive, ask() answers "Cancel" unseen.
    // An empty function clears the driver.
    static void setTestDriver(std::function<void(frmRedirect&)> driver);

public Q_SLOTS:
    // "Cancel", Escape and closing all decline.
    void reject() override;

private:
    void cmdProceed_Click();

    ElidedLabel* m_lblLocation;
    QLabel* m_lblMethod;
    QCheckBox* m_chkAddReferer;
    QLineEdit* m_txtReferer;
    QCheckBox* m_chkAutoSend;
    QCheckBox* m_chkRemoveCookies;
    QPushButton* m_cmdProceed;
    QPushButton* m_cmdCancel;
};
