#include "platform/Strings.h"

#include <gtest/gtest.h>

// Without a catalogue the English key comes back, and the empty key does not leak the
// catalogue header that gettext keeps under the empty id.
TEST(Strings, UntranslatedTextsComeBackAsTheirKeys) {
    talv::bindStringTable("/nonexistent-locale-folder");
    EXPECT_EQ(talv::tr("%d chats, %@"), "%d chats, %@");
    EXPECT_EQ(talv::tr("n/a"), "n/a");
    EXPECT_EQ(talv::tr(""), "");
}
