#include "platform/contract/ContractSupport.h"

namespace quorvel::contract {
namespace {

// The program's files are Windows-1252 on every system the tests run on (Wine's default
// ANSI code page included).
struct CodecRow {
    const char* name;
    std::string utf8;
    std::string ansi;
};

class AnsiCodecContract : public ContractTest, public ::testing::WithParamInterface<CodecRow> {};

TEST_P(AnsiCodecContract, ConvertsBothWays) {
    auto ansi = m_platform.ansi->ToAnsi(GetParam().utf8);
    ASSERT_TRUE(ansi) << ansi.error().message;
    EXPECT_EQ(ansi.value(), GetParam().ansi);
    EXPECT_EQ(m_platform.ansi->FromAnsi(GetParam().ansi), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Windows1252, AnsiCodecContract,
    ::testing::Values(
        CodecRow{"Empty", "", ""}, CodecRow{"Ascii", "kenal|notepad.exe", "kenal|notepad.exe"},
        CodecRow{"Latin1",
                 "Gr\xC3\xBC\xC3\x9F"
                 "e",
                 "Gr\xFC\xDF"
                 "e"},
        CodecRow{"EuroAndQuotes", "\xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D", "\x80 \x93x\x94"},
        CodecRow{"LineEndsAndNul", std::string("a\r\nb\0c", 6), std::string("a\r\nb\0c", 6)}),
    RowName());

struct RefusalRow {
    const char* name;
    std::string utf8;
};

class AnsiCodecRefusal : public ContractTest, public ::testing::WithParamInterface<RefusalRow> {};

TEST_P(AnsiCodecRefusal, RefusesWhatTheCodePageCannotHold) {
    EXPECT_FALSE(m_platform.ansi->ToAnsi(GetParam().utf8));
}

INSTANTIATE_TEST_SUITE_P(Windows1252, AnsiCodecRefusal,
                         ::testing::Values(RefusalRow{"Cjk", "\xE6\x97\xA5"},
                                           // a best-fit mapping would turn it into a plain "a"
                                           RefusalRow{"MacronA", "\xC4\x81"},
                                           RefusalRow{"Greek", "\xCE\xB1"}),
                         RowName());

class AnsiCodecBytes : public ContractTest {};

TEST_F(AnsiCodecBytes, EveryDefinedWindows1252ByteSurvivesTheRoundTrip) {
    for (int byte = 1; byte < 256; ++byte) {
        if (byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D)
            continue; // undefined in the code page
        const std::string ansi(1, static_cast<char>(byte));
        auto back = m_platform.ansi->ToAnsi(m_platform.ansi->FromAnsi(ansi));
        ASSERT_TRUE(back) << "byte " << byte;
        EXPECT_EQ(back.value(), ansi) << "byte " << byte;
    }
}

} // namespace
} // namespace quorvel::contract
