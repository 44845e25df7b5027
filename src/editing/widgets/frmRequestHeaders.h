#pragma once

#include "persistence/Configuration.h"
#include "shell/widgets/FramedDialog.h"

#include <QList>
#include <QString>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The header catalogue: a checklist of the request headers the configuration names, plus
// custom names the user adds. The caller ticks the entries present in its grid before showing
// it and applies the ticks when it closed with OK. Hidden, not destroyed, when closed, so
// custom entries stay until removed.
class frmRequestHeaders final : public FramedDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmRequestHeaders)

public:
    // Lists one unticked entry per catalogue header, in order ("connection", "content-length"
    // and "host" in any letter case greyed). Titled "Request Headers", 7245 by 4005 twips.
    explicit frmRequestHeaders(const QList<Configuration::HeaderInfo>& catalogue,
                               QWidget* parent = nullptr);
    ~frmRequestHeaders() override;

    // The address the help button opens: the header field definitions of HTTP semantics.
    static QString referenceUrl();

    // True when the dialog last closed with OK.
    bool bOkClicked() const { return m_okClicked; }

    // The entries in list order; out-of-range indexes give empty text and false.
    int entryCount() const;
    QString entryName(int index) const;
    bool isEntryChecked(int index) const;
    void setEntryChecked(int index, bool checked);
    bool isCustomEntry(int index) const;
    bool isGreyedEntry(int index) const;

    // Appends an unticked custom entry named name trimmed, selects it and scrolls to it.
    // Returns false and adds nothing when the trimmed name is empty.
    bool AddCustomHeader(const QString& name);

    // The parts, for tests.
    QTreeWidget* lstHeaders() const { return m_list; }
    QPushButton* addCustom() const { return m_add; }
    QPushButton* cmdRemoveCustom() const { return m_remove; }
    QPushButton* cmdHelp() const { return m_help; }
    QLabel* lblURL() const { return m_url; }
    QPushButton* cmdOK() const { return m_ok; }
    QPushButton* cmdCancel() const { return m_cancel; }

    void done(int result) override;

Q_SIGNALS:
    // A custom entry was removed: the header of that name leaves the grid at once, whether
    // or not the dialog is confirmed later.
    void CustomHeaderRemoved(const QString& name);

private:
    QTreeWidgetItem* addEntry(const QString& name, const QString& description, bool custom);
    void askCustomHeader();
    void removeCustomHeader();
    void showReference();
    void updateRemoveButton();

    QTreeWidget* m_list;
    QPushButton* m_add;
    QPushButton* m_remove;
    QPushButton* m_help;
    QLabel* m_url;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    bool m_okClicked = false;
};
