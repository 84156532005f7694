#include "access/Password.h"

#include <gtest/gtest.h>

namespace quorvel::access {
namespace {

struct CodecCase {
    const char* name;
    std::string plain;
    std::string encoded;
};

class PasswordCodecTest : public ::testing::TestWithParam<CodecCase> {};

TEST_P(PasswordCodecTest, EncodesAndDecodesByteForByte) {
    EXPECT_EQ(EncodePassword(GetParam().plain), GetParam().encoded);
    EXPECT_EQ(DecodePassword(GetParam().encoded), GetParam().plain);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PasswordCodecTest,
    ::testing::Values(CodecCase{"default_password", "Pelor", "\xB4\xC9\xD0\xD3\xD6"},
                      CodecCase{"range_ends", "AZaz09", "\xA5\xBE\xC5\xDE\x94\x9D"},
                      CodecCase{"spaces_stay_spaces", "my pass 1",
                                "\xD1\xDD \xD4\xC5\xD7\xD7 \x95"},
                      CodecCase{"punctuation_unchanged", "-!@#[`{~", "-!@#[`{~"},
                      CodecCase{"empty", "", ""}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(PasswordCodecTest, HighBytesAreNotReversible) {
    // A plain byte already in an encoded range decodes to a different character.
    EXPECT_EQ(EncodePassword("\xE9"), "\xE9");
    EXPECT_EQ(DecodePassword("\xE9"), "\xE9") << "233 is above the ranges";
    EXPECT_EQ(DecodePassword(EncodePassword("\xC9")), "e") << "201 decodes to e";
    // Every byte outside the three ranges stays as it is.
    for (int b = 0; b < 256; ++b) {
        const bool encoded =
            (b >= 148 && b <= 157) || (b >= 165 && b <= 190) || (b >= 197 && b <= 222);
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(DecodePassword(one) == one, !encoded) << b;
    }
}

} // namespace
} // namespace quorvel::access
