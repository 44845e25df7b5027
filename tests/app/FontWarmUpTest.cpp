#include "app/FontWarmUp.h"

#include <gtest/gtest.h>

// The reading must really start where the font library is installed (as on every machine with
// Qt's window libraries): a start that does nothing costs a windowed start its head start.
// Nothing takes the configuration over here, so the exit frees it, as after a windowed start
// that never got as far as a window; the sanitized run would report it otherwise.
TEST(FontWarmUpTest, StartsReadingWhereTheFontLibraryIsInstalled)
{
    EXPECT_TRUE(FontWarmUp::start());
    EXPECT_TRUE(FontWarmUp::start()); // already reading
}
