#pragma once

#include <QDialog>

class ctrlFormBar;

// A dialog that draws its own title bar instead of the platform's: a ctrlFormBar along
// its top edge, as wide as the dialog; dragging the caption moves the dialog on screen.
// Subclasses place their controls below the bar and wire its events.
class FramedDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FramedDialog)

public:
    explicit FramedDialog(QWidget* parent = nullptr);
    ~FramedDialog() override;

    // The title bar, created with the dialog.
    ctrlFormBar* formBar() const { return m_formBar; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    ctrlFormBar* m_formBar;
};
