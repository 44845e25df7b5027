#include "app/FontWarmUp.h"

#include <gtest/gtest.h>

// The reading must really start where the font library is installed (as on every machine with
// Qt's window libraries): a start that does nothing costs a windowed start its head start.
TEST(FontWarmUpTest, StartsReadingWhereTheFontLibraryIsInstalled)
{
    EXPECT_TRUE(FontWarmUp::start());
    FontWarmUp::finish();
    FontWarmUp::finish(); // a second wait has nothing to wait for
}
