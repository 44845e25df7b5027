#pragma once

#include "shell/widgets/FramedDialog.h"

class QPlainTextEdit;
class QPushButton;

// The editor of a free-text form field. Hidden, not destroyed, when closed.
class frmTextareaData final : public FramedDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmTextareaData)

public:
    // An empty editor titled "TEXTAREA data", 6750 by 4230 twips.
    explicit frmTextareaData(QWidget* parent = nullptr);
    ~frmTextareaData() override;

    // The text being edited; line breaks come back as LF.
    void setText(const QString& text);
    QString text() const;

    // True when the dialog last closed with OK.
    bool bOkClicked() const { return m_okClicked; }

    QPlainTextEdit* rtfTextareaData() const { return m_editor; }
    QPushButton* cmdOK() const { return m_ok; }
    QPushButton* cmdCancel() const { return m_cancel; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPlainTextEdit* m_editor;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    bool m_okClicked = false;
};
