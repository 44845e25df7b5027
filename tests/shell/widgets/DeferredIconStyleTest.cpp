#include "shell/widgets/DeferredIconStyle.h"

#include <QImage>
#include <QStyleFactory>
#include <QStyleOption>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

// A deferred icon must draw exactly what the style would have drawn at once, including what
// depends on the option it was asked with (the overflow arrow points the other way right to
// left).
TEST(DeferredIconStyleTest, DrawsTheBaseStylesIconForTheOptionItWasAskedWith)
{
    auto* base = QStyleFactory::create(u"Fusion"_s);
    ASSERT_NE(base, nullptr);
    DeferredIconStyle style;
    style.setBaseStyle(base);
    const std::unique_ptr<QStyle> reference(QStyleFactory::create(u"Fusion"_s));

    QList<QImage> drawn;
    for (const Qt::LayoutDirection direction : { Qt::LeftToRight, Qt::RightToLeft }) {
        QStyleOption option;
        option.direction = direction;
        const QIcon deferred
            = style.standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton, &option);
        const QIcon direct
            = reference->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton, &option);
        EXPECT_FALSE(deferred.isNull());
        const QImage image = deferred.pixmap(QSize(16, 16)).toImage();
        EXPECT_EQ(image, direct.pixmap(QSize(16, 16)).toImage());
        EXPECT_EQ(deferred.availableSizes(), direct.availableSizes());
        drawn.append(image);
    }
    EXPECT_NE(drawn[0], drawn[1]);

    const QIcon close = style.standardIcon(QStyle::SP_TitleBarCloseButton);
    EXPECT_EQ(
        close.pixmap(QSize(16, 16)).toImage(),
        reference->standardIcon(QStyle::SP_TitleBarCloseButton).pixmap(QSize(16, 16)).toImage());
}
