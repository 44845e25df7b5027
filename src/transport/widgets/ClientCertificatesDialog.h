#pragma once

#include "shell/widgets/FramedDialog.h"

class ClientTls;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Chooses, per target ("host:port"), the client certificate (PEM with its key, or PKCS#12) and
// the CA file trusted besides the system's. Edits tls directly; changed() tells the owner to
// keep the choices.
class ClientCertificatesDialog final : public FramedDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClientCertificatesDialog)

public:
    // Opens on target (its saved choice shown when there is one); tls must outlive the dialog.
    ClientCertificatesDialog(ClientTls& tls, const QString& target, QWidget* parent = nullptr);
    ~ClientCertificatesDialog() override;

    // Shows the saved choice of target, or empty fields for a new one.
    void showTarget(const QString& target);
    // Keeps the fields as the choice of their target; false (with the reason shown in the
    // dialog) when the target is no "host:port" or a PEM certificate is given with nothing else.
    bool saveChoice();
    // Forgets the choice of the target shown.
    void removeChoice();

    QComboBox* targetBox() const { return cmbTarget; }
    QComboBox* typeBox() const { return cmbType; }
    QLineEdit* certificateBox() const { return txtCert; }
    QLineEdit* keyBox() const { return txtKey; }
    QLineEdit* caBox() const { return txtCa; }
    QPushButton* saveButton() const { return cmdSave; }
    QPushButton* removeButton() const { return cmdRemove; }
    // The reason the last save was refused; empty when it was not.
    QString problem() const;

Q_SIGNALS:
    // A choice was saved or removed.
    void changed();

private:
    void fillTargets();
    void browse(QLineEdit* box, const QString& title);
    void typeChanged();

    ClientTls& m_tls;
    QComboBox* cmbTarget;
    QComboBox* cmbType;
    QLineEdit* txtCert;
    QLineEdit* txtKey;
    QLineEdit* txtCa;
    QPushButton* cmdSave;
    QPushButton* cmdRemove;
    QPushButton* cmdClose;
    QLabel* lblProblem;
};
