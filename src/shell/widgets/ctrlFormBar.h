#pragma once

#include "shell/widgets/TitleBarControl.h"

// The title bar strip of a dialog: 315 twips high whatever it is given, at least 3000
// twips wide. The three window buttons start on, the menu button off.
class ctrlFormBar final : public TitleBarControl
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ctrlFormBar)

public:
    explicit ctrlFormBar(QWidget* parent = nullptr);

protected:
    void relayout() override;
    void paintEvent(QPaintEvent* event) override;
};
