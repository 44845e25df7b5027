#pragma once

#include "shell/widgets/FramedDialog.h"

class QLineEdit;
class QPushButton;

// Asks for the user id and password of a basic authentication header. Hidden, not destroyed,
// when closed, so the boxes keep their texts between uses.
class frmLogin final : public FramedDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmLogin)

public:
    // Empty boxes, titled "Add Basic Authentication header", 4665 by 2340 twips.
    explicit frmLogin(QWidget* parent = nullptr);
    ~frmLogin() override;

    // True when the dialog last closed with "Add" (or Enter in either box).
    bool bLogin() const { return m_login; }

    // The boxes the caller reads the user id and the password from.
    QLineEdit* txtUID() const { return m_uid; }
    QLineEdit* txtPassword() const { return m_password; }
    QPushButton* cmdAdd() const { return m_add; }
    QPushButton* cmdCancel() const { return m_cancel; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* m_uid;
    QLineEdit* m_password;
    QPushButton* m_add;
    QPushButton* m_cancel;
    bool m_login = false;
};
