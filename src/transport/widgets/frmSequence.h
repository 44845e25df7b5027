#pragma once

#include "shell/widgets/FramedDialog.h"
#include "transport/SequenceRunner.h"

#include <QStringList>

#include <functional>

class QComboBox;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;

// Chooses a sequence to send: the current request repeated N times, or a list of request files,
// and the mode (in turn, pipelined, synchronised). Send is offered only for a choice within the
// limits of the mode.
class frmSequence final : public FramedDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmSequence)

public:
    explicit frmSequence(QWidget* parent = nullptr);
    ~frmSequence() override;

    // Test hook: replaces the file dialog of "Add files..."; returns the chosen paths.
    void setFileChooser(std::function<QStringList()> chooser);

    // The choice: the current request repeated count() times, or files().
    bool repeatCurrent() const;
    int count() const;
    QStringList files() const;
    SequenceRunner::Mode mode() const;
    // The most requests the chosen mode takes.
    int maxRequests() const;

    QRadioButton* optRepeat() const { return m_optRepeat; }
    QRadioButton* optFiles() const { return m_optFiles; }
    QSpinBox* spnCount() const { return m_spnCount; }
    QListWidget* lstFiles() const { return m_lstFiles; }
    QPushButton* cmdAddFiles() const { return m_cmdAddFiles; }
    QPushButton* cmdRemove() const { return m_cmdRemove; }
    QComboBox* cmbMode() const { return m_cmbMode; }
    QPushButton* cmdSend() const { return m_cmdSend; }

private:
    void addFiles();
    void updateControls();

    QRadioButton* m_optRepeat;
    QRadioButton* m_optFiles;
    QSpinBox* m_spnCount;
    QListWidget* m_lstFiles;
    QPushButton* m_cmdAddFiles;
    QPushButton* m_cmdRemove;
    QComboBox* m_cmbMode;
    QPushButton* m_cmdSend;
    std::function<QStringList()> m_fileChooser;
};
