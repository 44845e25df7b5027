#include "shell/widgets/PelorinIcons.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

int visiblePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 32 ? 1 : 0;
    }
    return count;
}

// Mean of each pixel's largest channel difference, over visible pixels: 0 for pure grey.
double meanSaturation(const QImage& image)
{
    double sum = 0;
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() <= 32)
                continue;
            sum += qMax(qMax(c.red(), c.green()), c.blue())
                - qMin(qMin(c.red(), c.green()), c.blue());
            ++n;
        }
    }
    return n ? sum / n : 0;
}

double meanAlpha(const QImage& image)
{
    double sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            sum += qAlpha(image.pixel(x, y));
    }
    return sum / (image.width() * image.height());
}

} // namespace

TEST(PelorinIconsTest, EveryNameDrawsAVisiblePictureAtEverySizeAndScale)
{
    const QStringList names = PelorinIconNames();
    ASSERT_EQ(names.size(), 10);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QIcon icon = PelorinIcon(name);
        ASSERT_FALSE(icon.isNull());
        for (const int size : { 16, 24, 32 }) {
            const QImage image = icon.pixmap(QSize(size, size), 1.0).toImage();
            ASSERT_EQ(image.size(), QSize(size, size));
            // At least a fifth of the square is covered, at 16 pixels too.
            EXPECT_GT(visiblePixels(image), size * size / 5) << size;
        }
        const QPixmap sharp = icon.pixmap(QSize(32, 32), 2.0);
        EXPECT_EQ(sharp.size(), QSize(64, 64)) << "drawn at the screen's resolution";
        EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
        EXPECT_GT(visiblePixels(sharp.toImage()), 64 * 64 / 5);
    }
}

TEST(PelorinIconsTest, UnknownNamesGiveNullIcons)
{
    for (const QString& name : { QString(), u"History"_s, u"nosuch"_s, u"app "_s })
        EXPECT_TRUE(PelorinIcon(name).isNull()) << name.toStdString();
}

TEST(PelorinIconsTest, IconsAreTellApartAndDisabledOnesAreGreyAndFaded)
{
    const QStringList names = PelorinIconNames();
    QList<QIcon> icons;
    QList<QImage> images;
    for (const QString& name : names) {
        icons.append(PelorinIcon(name));
        images.append(icons.last().pixmap(QSize(24, 24), 1.0).toImage());
    }
    for (qsizetype i = 0; i < images.size(); ++i) {
        for (qsizetype j = i + 1; j < images.size(); ++j)
            EXPECT_NE(images[i], images[j])
                << names[i].toStdString() << " and " << names[j].toStdString();
    }
    for (qsizetype i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i].toStdString());
        // The same icon as drawn above: what it keeps of one mode must not stand for another.
        const QImage disabled = icons[i].pixmap(QSize(24, 24), 1.0, QIcon::Disabled).toImage();
        EXPECT_GT(meanSaturation(images[i]), 20.0);
        EXPECT_LT(meanSaturation(disabled), 2.0);
        EXPECT_LT(meanAlpha(disabled), meanAlpha(images[i]) * 0.6);
        EXPECT_GT(visiblePixels(disabled), 0);
    }
}

TEST(PelorinIconsTest, PaintingOnAHighResolutionDeviceUsesItsPixels)
{
    QImage target(64, 64, QImage::Format_ARGB32_Premultiplied);
    target.setDevicePixelRatio(2.0);
    target.fill(Qt::transparent);
    {
        QPainter painter(&target);
        PelorinIcon(u"app"_s).paint(&painter, QRect(0, 0, 32, 32));
    }
    const QImage direct = PelorinIcon(u"app"_s)
                              .pixmap(QSize(64, 64), 1.0)
                              .toImage()
                              .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage painted = target;
    painted.setDevicePixelRatio(1.0);
    EXPECT_EQ(painted, direct) << "not an upscaled 32-pixel picture";
}

// Draws every icon at 16, 24 and 32 pixels, at 2x, and disabled, on a light and a dark
// background, to screenshots/ in the build folder: one sheet as the screen shows it and
// one enlarged four times to judge single pixels.
TEST(PelorinIconsTest, SheetOnLightAndDarkBackgrounds)
{
    const QStringList names = PelorinIconNames();
    const QList<QPair<int, qreal>> variants {
        { 16, 1 }, { 24, 1 }, { 32, 1 }, { 16, 2 }, { 32, 2 }
    };
    const int cell = 72;
    const int columns = int(variants.size()) + 1;
    QImage sheet(cell * columns * 2, cell * int(names.size()), QImage::Format_ARGB32);
    {
        QPainter painter(&sheet);
        for (int half = 0; half < 2; ++half) {
            const QColor background
                = half == 0 ? QColor(0xf3, 0xf3, 0xf3) : QColor(0x2b, 0x2b, 0x2e);
            painter.fillRect(QRect(half * cell * columns, 0, cell * columns, sheet.height()),
                             background);
            for (int row = 0; row < names.size(); ++row) {
                const QIcon icon = PelorinIcon(names[row]);
                for (int col = 0; col < columns; ++col) {
                    const bool disabled = col == columns - 1;
                    const auto [size, scale] = disabled ? qMakePair(24, 1.0) : variants[col];
                    QImage image = icon.pixmap(QSize(size, size), scale,
                                               disabled ? QIcon::Disabled : QIcon::Normal)
                                       .toImage();
                    image.setDevicePixelRatio(1.0);
                    const QPoint origin((half * columns + col) * cell + (cell - image.width()) / 2,
                                        row * cell + (cell - image.height()) / 2);
                    painter.drawImage(origin, image);
                }
            }
        }
    }
    const QString dir = QCoreApplication::applicationDirPath() + u"/screenshots"_s;
    QDir().mkpath(dir);
    ASSERT_TRUE(sheet.save(dir + u"/pelorin-icons.png"_s));

    // The sizes where single pixels matter, side by side, enlarged four times.
    const int small = 36;
    QImage zoom(small * int(names.size()), small * 6, QImage::Format_ARGB32);
    {
        QPainter painter(&zoom);
        for (int band = 0; band < 6; ++band) {
            const bool dark = band >= 3;
            const int size = QList<int> { 16, 24, 32 }[band % 3];
            painter.fillRect(QRect(0, band * small, zoom.width(), small),
                             dark ? QColor(0x2b, 0x2b, 0x2e) : QColor(0xf3, 0xf3, 0xf3));
            for (int i = 0; i < names.size(); ++i) {
                const QImage image = PelorinIcon(names[i]).pixmap(QSize(size, size), 1.0).toImage();
                painter.drawImage(
                    QPoint(i * small + (small - size) / 2, band * small + (small - size) / 2),
                    image);
            }
        }
    }
    ASSERT_TRUE(zoom.scaled(zoom.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                    .save(dir + u"/pelorin-icons-x4.png"_s));
}
