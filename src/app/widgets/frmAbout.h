#pragma once

#include "shell/widgets/FramedDialog.h"

class QPlainTextEdit;
class QPushButton;

// The about window: product name and build in the title bar, the logo, a short description
// and an OK button that hides it.
class frmAbout final : public FramedDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAbout)

public:
    explicit frmAbout(QWidget* parent = nullptr);
    ~frmAbout() override;

    // "About <product>        build <major>.<minor>.<patch>".
    static QString caption();

    QPlainTextEdit* credits() const { return txtCredits; }
    QPushButton* okButton() const { return cmdOK; }

private:
    QPlainTextEdit* txtCredits;
    QPushButton* cmdOK;
};
