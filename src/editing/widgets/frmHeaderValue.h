#pragma once

#include "shell/widgets/FramedDialog.h"

#include <QString>
#include <QStringList>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The value chooser of one header: its predefined values in a list and a free-text box that
// clicking values fills. Hidden, not destroyed, when closed; the caller refills it each time.
class frmHeaderValue final : public FramedDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmHeaderValue)

public:
    // An empty chooser titled "Header values", 5355 by 3330 twips.
    explicit frmHeaderValue(QWidget* parent = nullptr);
    ~frmHeaderValue() override;

    // Replaces the list by values, allows several selected values when multiple (and shows
    // the hint only then), and puts currentValue into the text box. Several selected values
    // are written to the text box in list order joined by separator.
    void SetValues(const QStringList& values, bool multiple, const QString& separator,
                   const QString& currentValue);

    // True when the dialog last closed with OK; then sHeaderValue holds the text box.
    bool bOkClicked() const { return m_okClicked; }
    QString sHeaderValue() const { return m_headerValue; }

    // The parts, for the caller and tests.
    QListWidget* ListView1() const { return m_list; }
    QLabel* lblSelectMultiple() const { return m_hint; }
    QLineEdit* txtCustomValue() const { return m_text; }
    QPushButton* cmdOK() const { return m_ok; }
    QPushButton* cmdCancel() const { return m_cancel; }

    void done(int result) override;

private:
    void copySelection();

    QListWidget* m_list;
    QLabel* m_hint;
    QLineEdit* m_text;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QString m_separator;
    bool m_filling = false;
    bool m_okClicked = false;
    QString m_headerValue;
};
