#pragma once

#include "shell/widgets/FramedDialog.h"

class MessageSink;
class ctrlSOAP;

// The SOAP request wizard window: a red title bar without buttons over the SOAP panel.
// Created once and hidden, not destroyed, when done; the next analysis refills it.
class frmSOAPAction final : public FramedDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmSOAPAction)

public:
    // A hidden wizard of the design size. messages must outlive it.
    explicit frmSOAPAction(MessageSink& messages, QWidget* parent = nullptr);
    ~frmSOAPAction() override;

    ctrlSOAP* panel() const { return m_panel; }

    // Shows the wizard modally (through DialogRunner) until a request was generated (true)
    // or the user cancelled (false).
    bool run();

private:
    ctrlSOAP* m_panel;
};
