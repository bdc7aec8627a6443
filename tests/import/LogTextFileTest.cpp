#include "import/LogTextFile.h"

#include <gtest/gtest.h>

using talv::LogTextFile;

TEST(LogTextFile, ByteOrderMarksUtf8AndTheMacRomanFallback) {
    EXPECT_EQ(LogTextFile::decode("\xEF\xBB\xBF" "caf\xC3\xA9"), "café");
    EXPECT_EQ(LogTextFile::decode("caf\xC3\xA9"), "café");
    EXPECT_EQ(LogTextFile::decode(std::string("\xFF\xFE" "c\0\xE9\0", 6)), "cé");
    EXPECT_EQ(LogTextFile::decode(std::string("\xFE\xFF" "\0c\0\xE9", 6)), "cé");
    EXPECT_EQ(LogTextFile::decode("caf\x8E \xD2quoted\xD3"), "café “quoted”");  // not UTF-8: Mac OS Roman
    EXPECT_EQ(LogTextFile::decode(""), "");

    EXPECT_FALSE(LogTextFile::decode(std::string("PK\x03\x04\0\0binary", 12)));     // NUL bytes: not text
    EXPECT_FALSE(LogTextFile::decode(std::string("\xFF\xFE" "\x00\xD8", 4)));      // lone UTF-16 surrogate
    // Marked as UTF-8: a damaged byte is replaced, the rest is not read as Mac OS Roman.
    EXPECT_EQ(LogTextFile::decode("\xEF\xBB\xBF" "caf\xC3\xA9 \xFF ok"), "café \uFFFD ok");
}
