#include "shell/widgets/ctrlFormBar.h"

#include "shell/Twips.h"

#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

constexpr int kHeight = 315;
constexpr int kMinimumWidth = 3000;
constexpr int kBarInset = 4;
constexpr int kButtonHeight = 225;
constexpr int kTextTop = 45;

} // namespace

ctrlFormBar::ctrlFormBar(QWidget* parent)
    : TitleBarControl(false, parent)
{
    setObjectName(u"ctrlFormBar"_s);
    setFixedHeight(Twips::toPx(kHeight));
    setMinimumWidth(Twips::toPxCeil(kMinimumWidth));
    relayout();
}

void ctrlFormBar::relayout()
{
    const int width = Twips::fromPx(this->width());
    const int height = Twips::fromPx(this->height());
    const int position = placeButtons(width - 90, (height - kButtonHeight) / 2, kTextTop);
    placeCaption(100, kTextTop, position - 100 - 60);
    update();
}

void ctrlFormBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int w = Twips::fromPx(width());
    const int h = Twips::fromPx(height());
    FramePainter::paintBar(
        painter, Twips::rect(kBarInset, kBarInset, w - 2 * kBarInset, h - 2 * kBarInset), scheme());
}
