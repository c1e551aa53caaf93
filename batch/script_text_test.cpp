#include "batch/script_text.h"

#include <gtest/gtest.h>

using namespace vimbra;

TEST(ScriptText, Utf8KeptLatin1Converted) {
    EXPECT_EQ(ScriptTextToUtf8("TEXTMARK_TOPLEFT=caf\xC3\xA9"), "TEXTMARK_TOPLEFT=caf\xC3\xA9");
    // Latin-1 e-acute (0xE9) becomes its two UTF-8 bytes.
    EXPECT_EQ(ScriptTextToUtf8("TEXTMARK_TOPLEFT=caf\xE9"), "TEXTMARK_TOPLEFT=caf\xC3\xA9");
    EXPECT_EQ(ScriptTextToUtf8("\xFF"), "\xC3\xBF");
    EXPECT_EQ(ScriptTextToUtf8("NEGATIVE\r\n"), "NEGATIVE\r\n");
}

TEST(ScriptText, Utf8Validation) {
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("\xE2\x82\xAC"));          // euro sign
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));      // four bytes
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));             // cut short at the end
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));             // overlong '/'
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));         // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));     // past U+10FFFF
    EXPECT_FALSE(IsValidUtf8("a\x80z"));               // stray continuation byte
}
