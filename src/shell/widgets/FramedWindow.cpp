#include "shell/widgets/FramedWindow.h"

#include "shell/Twips.h"
#include "shell/widgets/ctrlWindowContainer.h"

FramedWindow::FramedWindow(const QString& caption, int widthTwips, int heightTwips, QWidget* parent)
    : QWidget(parent)
    , m_frame(new ctrlWindowContainer(this))
    , m_content(new QWidget(this))
{
    m_frame->setCaption(caption);
    m_frame->setShowmenu(false);
    m_frame->setShowMaximizeButton(false);
    m_frame->setShowMinimizeButton(false);
    connect(m_frame, &ctrlWindowContainer::WindowClose, this, &QWidget::hide);
    resize(Twips::toPx(widthTwips), Twips::toPx(heightTwips));
}

FramedWindow::~FramedWindow() = default;

void FramedWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_frame->setGeometry(rect());
    const int width = Twips::fromPx(this->width());
    const int height = Twips::fromPx(this->height());
    m_content->setGeometry(Twips::rect(60, 420, width - 120, height - 510));
}
