#include "platform/linux/Backends.h"

#include <gtest/gtest.h>

namespace quorvel::platform::linux_backend {
namespace {

class Windows1252CodecTest : public ::testing::Test {
protected:
    std::unique_ptr<AnsiCodec> m_codec = CreateWindows1252Codec();
};

TEST_F(Windows1252CodecTest, EveryByteSurvivesTheTripThroughUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    auto back = m_codec->ToAnsi(m_codec->FromAnsi(all));
    ASSERT_TRUE(back) << back.error().message;
    EXPECT_EQ(back.value(), all);
}

struct CharacterCase {
    const char* name;
    std::string ansi;
    std::string utf8;
};

class Windows1252CharacterTest : public Windows1252CodecTest,
                                 public ::testing::WithParamInterface<CharacterCase> {};

TEST_P(Windows1252CharacterTest, MapsBothWays) {
    EXPECT_EQ(m_codec->FromAnsi(GetParam().ansi), GetParam().utf8);
    EXPECT_EQ(m_codec->ToAnsi(GetParam().utf8).value(), GetParam().ansi);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Windows1252CharacterTest,
    ::testing::Values(CharacterCase{"ascii", "C:\\Apps\\a.exe", "C:\\Apps\\a.exe"},
                      CharacterCase{"euro", "\x80", "\xE2\x82\xAC"},
                      CharacterCase{"left_double_quote", "\x93", "\xE2\x80\x9C"},
                      CharacterCase{"y_diaeresis_capital", "\x9F", "\xC5\xB8"},
                      CharacterCase{"undefined_byte_as_c1_control", "\x81\x9D", "\xC2\x81\xC2\x9D"},
                      CharacterCase{"latin1_range", "\xA0\xE9\xFF", "\xC2\xA0\xC3\xA9\xC3\xBF"},
                      // Bytes the password substitution produces.
                      CharacterCase{"encoded_pelor", "\xB4\xC9\xD0\xD3\xD6",
                                    "\xC2\xB4\xC3\x89\xC3\x90\xC3\x93\xC3\x96"},
                      CharacterCase{"nul_kept", std::string("a\0b", 3), std::string("a\0b", 3)}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(Windows1252CodecTest, RefusesWhatTheCodePageCannotHold) {
    for (const std::string& text : {
             std::string("snow\xE2\x98\x83"), // U+2603
             std::string("\xC2\x80"),         // U+0080, whose byte is the euro sign
             std::string("\xF0\x9F\x98\x80"), // outside the BMP
             std::string("\xC3"),             // truncated sequence
             std::string("\xC0\xAF"),         // overlong
             std::string("\xED\xA0\x80"),     // surrogate
             std::string("\xFF"),             // not UTF-8 at all
         }) {
        EXPECT_FALSE(m_codec->ToAnsi(text)) << ::testing::PrintToString(text);
    }
}

} // namespace
} // namespace quorvel::platform::linux_backend
