#pragma once

#include "editing/FormBody.h"
#include "shell/widgets/FramedDialog.h"

#include <functional>

class FormBodyTarget;
class FormFieldTable;
class MessageSink;
class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class frmTextareaData;

// The form body builder: a grid of fields (name, type, thirty values) over a FormFieldTable,
// the field-type box, the text editor of free-text fields and the file chooser of file
// fields. OK encodes the rows (urlencoded, or multipart when a FILE row exists or the caller
// asked for it) and hands the body to the target; Cancel changes nothing. Hidden, not
// destroyed, when closed, so its rows survive between uses.
class frmFORMBuilder final : public FramedDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmFORMBuilder)

public:
    // Returns the chosen path, or "" when the choice was cancelled.
    using FileChooser = std::function<QString()>;

    // The application's one builder, created on first use as a dialog owned by owner and kept
    // (with its rows) until owner goes; later calls return the same builder whatever they pass.
    // messages must outlive owner.
    static frmFORMBuilder& appBuilder(MessageSink& messages, QWidget* owner);

    // An empty builder titled "FORM Editor", 8190 by 4995 twips. Failures of OK (a file that
    // cannot be read) go to messages, which must outlive the builder.
    explicit frmFORMBuilder(MessageSink& messages, QWidget* parent = nullptr);
    ~frmFORMBuilder() override;

    // Appends a row for a control of an HTML form (see FormFieldTable::AddFormItem).
    void AddFormItem(const QString& name, qint32 kind, const QString& value);
    // Disable (enable) the "Field Type:" label, the field-type box, "Add" and "Remove"
    // together; while disabled no click enables "Remove".
    void DisableAddFieldControls();
    void EnableAddFieldControls();

    // When on, OK makes a multipart body even without FILE rows (an HTML form asking for it).
    void setMultipartRequested(bool on) { m_multipartRequested = on; }
    bool multipartRequested() const { return m_multipartRequested; }
    // Where OK delivers the body; null (the default) delivers nowhere, the caller then reads
    // formBody(). The target must outlive the builder or be reset first.
    void setTarget(FormBodyTarget* target) { m_target = target; }
    // Replaces the file dialog of FILE rows (tests, other front ends).
    void setFileChooser(FileChooser chooser);

    // True only when the builder last closed through OK with a body made.
    bool bOkClicked() const { return m_okClicked; }
    // The body the last successful OK made.
    const FormBody& formBody() const { return m_body; }
    // The rows the grid shows; lives as long as the builder.
    FormFieldTable* rows() const { return m_rows; }

    // What the buttons do.
    void cmdAddField_Click();
    void cmdRemoveField_Click();
    void cmdRemoveAll_Click();

    // The parts, for callers and tests.
    QLabel* lblFieldType() const { return m_typeLabel; }
    QComboBox* cmbNewField() const { return m_newField; }
    QPushButton* cmdAddField() const { return m_add; }
    QPushButton* cmdRemoveField() const { return m_remove; }
    QPushButton* cmdRemoveAll() const { return m_removeAll; }
    QPushButton* cmdOK() const { return m_ok; }
    QPushButton* cmdCancel() const { return m_cancel; }
    QTableView* flxFormItems() const { return m_grid; }
    // The text editor, created on first use (null before) and kept.
    frmTextareaData* textareaDialog() const { return m_textEditor; }

    // Accepting encodes the rows first and stays open, with a message, when that fails.
    void done(int result) override;

private:
    void cellClicked(const QModelIndex& index);
    void editText(int row);
    void chooseFile(int row);
    QString chooseWithDialog();
    void updateSpans();

    MessageSink& m_messages;
    FormFieldTable* m_rows;
    QLabel* m_typeLabel;
    QComboBox* m_newField;
    QPushButton* m_add;
    QPushButton* m_remove;
    QPushButton* m_removeAll;
    QTableView* m_grid;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    frmTextareaData* m_textEditor = nullptr;
    FormBodyTarget* m_target = nullptr;
    FileChooser m_fileChooser;
    FormBody m_body;
    bool m_multipartRequested = false;
    bool m_addFieldsLocked = false;
    bool m_okClicked = false;
};
