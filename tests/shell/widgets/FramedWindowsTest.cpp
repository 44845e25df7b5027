#include "shell/Twips.h"
#include "shell/widgets/FramedDialog.h"
#include "shell/widgets/FramedSubWindow.h"
#include "shell/widgets/ctrlFormBar.h"
#include "shell/widgets/ctrlWindowContainer.h"

#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Sends a mouse event with a chosen screen position: the drag follows screen positions.
void sendMouse(QWidget* target, QEvent::Type type, const QPoint& global)
{
    const Qt::MouseButtons held
        = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, target->mapFromGlobal(QPointF(global)), QPointF(global),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void dragCaption(QWidget* bar, const QPoint& by)
{
    auto* caption = bar->findChild<QLabel*>(u"lblCaption"_s);
    ASSERT_NE(caption, nullptr);
    const QPoint start = caption->mapToGlobal(QPoint(5, 5));
    sendMouse(caption, QEvent::MouseButtonPress, start);
    EXPECT_EQ(QGuiApplication::overrideCursor() ? QGuiApplication::overrideCursor()->shape()
                                                : Qt::ArrowCursor,
              Qt::SizeAllCursor);
    sendMouse(caption, QEvent::MouseMove, start + by / 2);
    sendMouse(caption, QEvent::MouseMove, start + by);
    sendMouse(caption, QEvent::MouseButtonRelease, start + by);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "releasing restores the pointer";
}

// A document window as later windows are built: the frame first, covering the window.
class DocumentWindow final : public QWidget
{
public:
    DocumentWindow()
        : frame(new ctrlWindowContainer(this))
    {
        resize(Twips::toPx(5000), Twips::toPx(3000));
        connect(frame, &ctrlWindowContainer::WindowClose, this, &QWidget::hide);
    }
    void resizeEvent(QResizeEvent*) override { frame->setGeometry(rect()); }
    ctrlWindowContainer* frame;
};

} // namespace

TEST(FramedWindowsTest, DraggingADialogCaptionMovesTheDialogNotTheMainWindow)
{
    QWidget main;
    main.setGeometry(100, 100, 800, 600);
    main.show();
    FramedDialog dialog(&main);
    dialog.resize(Twips::toPx(4500), Twips::toPx(1500));
    dialog.move(300, 300);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_TRUE(dialog.isWindow());
    EXPECT_EQ(dialog.formBar()->hostWindow(), &dialog);
    EXPECT_EQ(dialog.formBar()->width(), dialog.width());
    const QPoint mainAt = main.pos();
    const QPoint dialogAt = dialog.pos();

    dragCaption(dialog.formBar(), QPoint(40, 25));
    EXPECT_EQ(dialog.pos(), dialogAt + QPoint(40, 25));
    EXPECT_EQ(main.pos(), mainAt);
}

TEST(FramedWindowsTest, DocumentWindowMovesInsideTheAreaAndFollowsItsWindow)
{
    QMdiArea area;
    area.resize(900, 700);
    auto* window = new DocumentWindow;
    QPointer<FramedSubWindow> sub = FramedSubWindow::addTo(&area, window);
    sub->move(10, 10);
    area.show();
    sub->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    EXPECT_EQ(sub->size(), window->size()) << "no platform frame around the window";
    EXPECT_EQ(window->frame->hostWindow(), sub.data());
    EXPECT_EQ(FramedSubWindow::of(window->frame), sub.data());

    dragCaption(window->frame, QPoint(30, 20));
    EXPECT_EQ(sub->pos(), QPoint(40, 30));
    EXPECT_EQ(area.pos(), QPoint(area.pos()));

    QTest::mouseClick(window->frame->findChild<QWidget*>(u"imgClose"_s), Qt::LeftButton);
    EXPECT_TRUE(sub->isHidden()) << "hiding the window hides its sub-window";
    window->show();
    EXPECT_FALSE(sub->isHidden());

    delete window;
    EXPECT_TRUE(QTest::qWaitFor([&] { return sub.isNull(); }));
}

TEST(FramedWindowsTest, ShrinkingADocumentWindowLeavesItsFrameAtTheMinimum)
{
    DocumentWindow window;
    window.resize(50, 50);
    EXPECT_EQ(window.frame->size(), QSize(Twips::toPxCeil(2000), Twips::toPxCeil(2000)));
}

TEST(FramedWindowsTest, DraggingFrameEdgesResizesTheDocumentWindow)
{
    QMdiArea area;
    area.resize(900, 700);
    auto* window = new DocumentWindow;
    FramedSubWindow* sub = FramedSubWindow::addTo(&area, window);
    sub->move(100, 100);
    area.show();
    sub->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    const QRect before = sub->geometry();
    ctrlWindowContainer* frame = window->frame;

    const QPoint corner = frame->mapToGlobal(QPoint(frame->width() - 2, frame->height() - 2));
    sendMouse(frame, QEvent::MouseButtonPress, corner);
    sendMouse(frame, QEvent::MouseMove, corner + QPoint(120, 80));
    sendMouse(frame, QEvent::MouseButtonRelease, corner + QPoint(120, 80));
    EXPECT_EQ(sub->geometry(), before.adjusted(0, 0, 120, 80));
    EXPECT_EQ(window->size(), sub->size());

    // The left edge moves, the right stays; never below the frame's minimum.
    const QPoint left = frame->mapToGlobal(QPoint(1, frame->height() / 2));
    sendMouse(frame, QEvent::MouseButtonPress, left);
    sendMouse(frame, QEvent::MouseMove, left + QPoint(2000, 0));
    sendMouse(frame, QEvent::MouseButtonRelease, left + QPoint(2000, 0));
    EXPECT_EQ(sub->geometry().right(), before.right() + 120);
    EXPECT_EQ(sub->width(), Twips::toPxCeil(2000));

    // A press inside the frame does not resize.
    const QRect settled = sub->geometry();
    const QPoint inside = frame->mapToGlobal(frame->rect().center());
    sendMouse(frame, QEvent::MouseButtonPress, inside);
    sendMouse(frame, QEvent::MouseMove, inside + QPoint(50, 50));
    sendMouse(frame, QEvent::MouseButtonRelease, inside + QPoint(50, 50));
    EXPECT_EQ(sub->geometry(), settled);
}

TEST(FramedWindowsTest, ANewWindowOpensInsideTheVisibleArea)
{
    QMdiArea area;
    area.resize(500, 400);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    auto* window = new DocumentWindow; // 333 x 200
    FramedSubWindow* sub = FramedSubWindow::addTo(&area, window);
    sub->move(400, 350);
    sub->show();
    EXPECT_EQ(sub->size(), window->size()) << "the design size is kept where it fits";
    EXPECT_TRUE(area.viewport()->rect().contains(sub->geometry()))
        << sub->geometry().x() << "," << sub->geometry().y();
}
