#include "display/TemplateFormat.h"

#include <gtest/gtest.h>

#include <array>

namespace talv {

TEST(TemplateFormat, FillsSequentialAndPositionalPlaceholders) {
    const std::array<std::string, 3> args{"one", "two", "three"};
    EXPECT_EQ(formatWithObjects("%@-%@-%@", args), "one-two-three");
    EXPECT_EQ(formatWithObjects("%3$@ %1$@ %2$@ %1$@", args), "three one two one");
    // A doubled percent sign is one; other percent signs (style sheets) stay as they are.
    EXPECT_EQ(formatWithObjects("width: 100%%; %d %", args), "width: 100%; %d %");
    // Placeholders without an argument become nothing; an argument's own "%@" is not expanded.
    const std::array<std::string, 1> one{"%@"};
    EXPECT_EQ(formatWithObjects("[%@][%@][%4$@][%0$@]", one), "[%@][][][]");
}

}  // namespace talv
