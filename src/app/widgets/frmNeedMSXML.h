#pragma once

#include "shell/widgets/FramedDialog.h"

class QLabel;
class QPushButton;

// Shown instead of the program when its XML library does not work: says what is missing and
// where to get it. The link opens the address on the desktop and leaves the window open; OK
// closes it (accepted), after which the caller ends the process.
class frmNeedMSXML final : public FramedDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmNeedMSXML)

public:
    explicit frmNeedMSXML(QWidget* parent = nullptr);
    ~frmNeedMSXML() override;

    // Where the XML library can be had.
    static QString downloadAddress();

    QLabel* message() const { return lblMessage; }
    QLabel* link() const { return lblURL; }
    QPushButton* okButton() const { return cmdOK; }

private:
    QLabel* lblMessage;
    QLabel* lblURL;
    QPushButton* cmdOK;
};
