#include "shell/DialogPlacer.h"

#include <gtest/gtest.h>

TEST(DialogPlacerTest, CentresHorizontallyAndAtAThirdOfTheHeight)
{
    // A 3000 x 1500 twips dialog over a 12000 x 9000 twips main window.
    EXPECT_EQ(DialogPlacer::centeredOffset(QSize(12000, 9000), QSize(3000, 1500)),
              QPoint(4500, 2250));
    // Not at half the height: a form as high as a third of the host sits above the middle.
    EXPECT_EQ(DialogPlacer::centeredOffset(QSize(600, 300), QSize(200, 100)), QPoint(200, 50));
    // A form larger than its host hangs over its top left edge.
    EXPECT_EQ(DialogPlacer::centeredOffset(QSize(100, 90), QSize(300, 200)), QPoint(-100, -70));
    // Odd sizes round once, not per half.
    EXPECT_EQ(DialogPlacer::centeredOffset(QSize(801, 601), QSize(400, 300)), QPoint(201, 50));
}
