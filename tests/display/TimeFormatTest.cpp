#include "display/TimeFormat.h"

#include <gtest/gtest.h>

namespace talv {

TEST(TimeFormat, DropsAMPMAndSecondsWithTheirSeparators) {
    EXPECT_EQ(deriveTimeFormat("%I:%M:%S %p", false, false), "%I:%M");
    EXPECT_EQ(deriveTimeFormat("%I:%M:%S %p", true, false), "%I:%M:%S");
    EXPECT_EQ(deriveTimeFormat("%I:%M:%S %p", false, true), "%I:%M %p");
    EXPECT_EQ(deriveTimeFormat("%I:%M:%S %p", true, true), "%I:%M:%S %p");
    EXPECT_EQ(deriveTimeFormat("%H.%M.%S", false, false), "%H.%M");
    // Seconds at the very start have nothing before them and stay.
    EXPECT_EQ(deriveTimeFormat("%S", false, false), "%S");
    // A multi-byte separator goes whole.
    EXPECT_EQ(deriveTimeFormat("%H時%M分%S秒", false, false), "%H時%M秒");
}

TEST(TimeFormat, SharedCacheFollowsTheUserFormat) {
    EXPECT_EQ(localizedDateFormatStringShowingSeconds(false, false, "%I:%M:%S %p"), "%I:%M");
    EXPECT_EQ(localizedDateFormatStringShowingSeconds(true, true, "%I:%M:%S %p"), "%I:%M:%S %p");
    // A changed user format drops every slot.
    EXPECT_EQ(localizedDateFormatStringShowingSeconds(false, false, "%H.%M.%S"), "%H.%M");
    EXPECT_EQ(localizedDateFormatStringShowingSeconds(true, true, "%H.%M.%S"), "%H.%M.%S");
    // The C locale's time format.
    EXPECT_EQ(userTimeFormat(), "%H:%M:%S");
    EXPECT_EQ(localizedDateFormatStringShowingSeconds(false, false), "%H:%M");
}

}  // namespace talv
