#include "shell/widgets/ctrlWindowContainer.h"

#include "shell/Twips.h"

#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

constexpr int kMinimumTwips = 2000;
constexpr int kLine = 45;
constexpr int kBarInset = 60;
constexpr int kBarHeight = 315;
constexpr int kButtonTop = 105;

} // namespace

ctrlWindowContainer::ctrlWindowContainer(QWidget* parent)
    : TitleBarControl(true, parent)
{
    setObjectName(u"ctrlWindowContainer"_s);
    setMinimumSize(Twips::toPxCeil(kMinimumTwips), Twips::toPxCeil(kMinimumTwips));
    // The window's own controls are drawn over the frame.
    lower();
    relayout();
}

void ctrlWindowContainer::relayout()
{
    const int width = Twips::fromPx(this->width());
    const int barRight = kBarInset + (width - 2 * kBarInset);
    const int position = placeButtons(barRight - 90, kButtonTop, kButtonTop);
    const int captionLeft = kBarInset + 60;
    placeCaption(captionLeft, kButtonTop, position - captionLeft - 60);
    update();
}

void ctrlWindowContainer::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int w = Twips::fromPx(width());
    const int h = Twips::fromPx(height());
    FramePainter::paintLine(painter, Twips::rect(0, 0, w, kLine), scheme());
    FramePainter::paintLine(painter, Twips::rect(w - kLine, 0, kLine, h), scheme());
    FramePainter::paintLine(painter, Twips::rect(0, h - kLine, w, kLine), scheme());
    FramePainter::paintLine(painter, Twips::rect(0, 0, kLine, h), scheme());
    FramePainter::paintBar(
        painter, Twips::rect(kBarInset, kBarInset, w - 2 * kBarInset, kBarHeight), scheme());
}
