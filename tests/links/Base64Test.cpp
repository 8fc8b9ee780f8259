// Base64 of the SMTP LOGIN exchange: the RFC 4648 test vectors both ways, and
// what the decoder does with bytes outside the alphabet and padding.
#include "links/Base64.h"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(Base64, EncodesTheRfcVectors)
{
    EXPECT_EQ(Base64Encode(""), "");
    EXPECT_EQ(Base64Encode("f"), "Zg==");
    EXPECT_EQ(Base64Encode("fo"), "Zm8=");
    EXPECT_EQ(Base64Encode("foo"), "Zm9v");
    EXPECT_EQ(Base64Encode("foob"), "Zm9vYg==");
    EXPECT_EQ(Base64Encode("fooba"), "Zm9vYmE=");
    EXPECT_EQ(Base64Encode("foobar"), "Zm9vYmFy");
}

TEST(Base64, DecodesTheRfcVectors)
{
    EXPECT_EQ(Base64Decode("Zg=="), "f");
    EXPECT_EQ(Base64Decode("Zm8="), "fo");
    EXPECT_EQ(Base64Decode("Zm9vYmFy"), "foobar");
}

TEST(Base64, EncodesEveryByteValueAndTheLastTwoLettersOfTheAlphabet)
{
    std::string all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    std::string encoded = Base64Encode(all);
    EXPECT_EQ(encoded.size(), 344u);
    EXPECT_EQ(encoded.substr(encoded.size() - 8), "/P3+/w==");
    EXPECT_EQ(encoded.find('\n'), std::string::npos);
    EXPECT_EQ(Base64Decode(encoded), all);
}

TEST(Base64, DecoderSkipsBytesOutsideTheAlphabet)
{
    EXPECT_EQ(Base64Decode("Zm9v\r\nYm Fy"), "foobar");
    EXPECT_EQ(Base64Decode("*Z*m*9*v*"), "foo");
}

TEST(Base64, DecoderStopsAtTheFirstPadding)
{
    EXPECT_EQ(Base64Decode("Zg==Zm9v"), "f");
    EXPECT_EQ(Base64Decode("=Zm9v"), "");
}

TEST(Base64, DecoderDropsADanglingCharacter)
{
    EXPECT_EQ(Base64Decode("Zm9vY"), "foo");
}

} // namespace
