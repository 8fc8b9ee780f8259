#include "net/TelegramHeader.h"

#include <vector>

#include <gtest/gtest.h>

TEST(TelegramHeader, EncodeWritesLittleEndianFieldsAndTheChecksum)
{
    TelegramHeader header;
    header.kind = 255;
    header.word2 = 0x0102;
    header.word4 = 0x0304;
    header.typeCode = 10001;
    header.value = 0xA1B2C3D4;
    std::vector<uint8_t> payload = {1, 2, 3};
    std::vector<uint8_t> bytes = header.Encode(payload);
    ASSERT_EQ(bytes.size(), 21u);
    std::vector<uint8_t> front(bytes.begin(), bytes.begin() + 16);
    std::vector<uint8_t> expected = {0xff, 0x00, 0x02, 0x01, 0x04, 0x03, 0x11, 0x27,
                                     0xD4, 0xC3, 0xB2, 0xA1, 0x03, 0x00, 0x00, 0x00};
    EXPECT_EQ(front, expected);
    unsigned sum = 0;
    for (uint8_t b : expected)
        sum += b;
    EXPECT_EQ(bytes[16] | bytes[17] << 8, static_cast<int>(sum % 65536));
    EXPECT_TRUE(TelegramHeader::HasValidChecksum(bytes.data()));

    TelegramHeader read = TelegramHeader::Read(bytes.data());
    EXPECT_EQ(read.kind, 255);
    EXPECT_EQ(read.word2, 0x0102);
    EXPECT_EQ(read.word4, 0x0304);
    EXPECT_EQ(read.typeCode, 10001);
    EXPECT_EQ(read.value, 0xA1B2C3D4u);
    EXPECT_EQ(read.payloadLength, 3u);
}

TEST(TelegramHeader, ChecksumOffByOneIsRejected)
{
    std::vector<uint8_t> bytes = TelegramHeader{}.Encode({});
    ++bytes[16];
    EXPECT_FALSE(TelegramHeader::HasValidChecksum(bytes.data()));
}
