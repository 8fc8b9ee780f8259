// The telegram encoder that the tests, the benchmarks and the recorder
// simulator use: header bytes and checksum, entry layouts, and the text form
// of payloads on the simulator's command line.
#include "telegram/TelegramEncoder.h"

#include "telegram/EntryListWriter.h"
#include "telegram/PayloadSpec.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<uint8_t> bytes;
    for (int value : values)
        bytes.push_back(static_cast<uint8_t>(value));
    return bytes;
}

std::vector<uint8_t> PayloadOf(std::string_view text)
{
    EntryListWriter list;
    std::string error;
    EXPECT_TRUE(ParsePayloadSpec(text, list, error)) << error;
    return list.Bytes();
}

std::string SpecError(std::string_view text)
{
    EntryListWriter list;
    std::string error;
    EXPECT_FALSE(ParsePayloadSpec(text, list, error)) << text;
    return error;
}

} // namespace

TEST(TelegramEncoder, HeaderFieldsAreLittleEndianWithTheirChecksum)
{
    TelegramFields fields;
    fields.word2 = 0x0102;
    fields.word4 = 0x0304;
    fields.typeCode = 10025;
    fields.detail = 0x80000001;
    const uint8_t payload[] = {9, 8, 7};
    std::vector<uint8_t> telegram = EncodeTelegram(fields, payload);
    std::vector<uint8_t> header(telegram.begin(), telegram.begin() + 16);
    EXPECT_EQ(header, Bytes({0xFF, 0, 2, 1, 4, 3, 0x29, 0x27, 1, 0, 0, 0x80, 3, 0, 0, 0}));
    int sum = 0;
    for (uint8_t byte : header)
        sum += byte;
    EXPECT_EQ(telegram[16] | telegram[17] << 8, sum);
    EXPECT_EQ(telegram.size(), 21u);
    EXPECT_EQ(telegram[18], 9);
}

TEST(TelegramEncoder, ChecksumWrapsAt65536)
{
    std::array<uint8_t, 16> ones;
    ones.fill(0xFF);
    EXPECT_EQ(HeaderChecksum(ones), 16 * 255);
}

TEST(TelegramEncoder, OverridesBuildBrokenHeaders)
{
    TelegramFields fields;
    fields.payloadLength = 99;
    fields.checksum = 1;
    std::vector<uint8_t> telegram = EncodeTelegram(fields);
    EXPECT_EQ(telegram[12], 99);
    EXPECT_EQ(telegram[16], 1);
    EXPECT_EQ(telegram[17], 0);
}

TEST(EntryListWriter, EntryLayouts)
{
    EntryListWriter list;
    list.Code(6);
    EXPECT_EQ(list.Bytes(), Bytes({2, 0, 0xFA, 0x07, 6, 0}));

    EntryListWriter value;
    value.Value32(1, 0x01020304);
    EXPECT_EQ(value.Bytes(), Bytes({6, 0, 0x5F, 0x08, 1, 0, 4, 3, 2, 1}));

    EntryListWriter flags;
    flags.Flags(1, 8);
    EXPECT_EQ(flags.Bytes(), Bytes({3, 0, 0x69, 0x08, 1, 0, 8}));

    EntryListWriter track;
    track.Track(3, "AB");
    EXPECT_EQ(track.Bytes(), Bytes({7, 0, 0xE8, 0x03, 0, 0, 3, 0, 'A', 'B', 0}));

    EntryListWriter text;
    text.Text(10, "x", TextEnd::None);
    EXPECT_EQ(text.Bytes(), Bytes({3, 0, 0x7D, 0x08, 10, 0, 'x'}));

    EntryListWriter board;
    board.Board(2, 1);
    EXPECT_EQ(board.Bytes(), Bytes({2, 0, 0xFA, 0x07, 2, 1}));
}

TEST(EntryListWriter, DepartureStampHasSevenFields)
{
    StampFields stamp{5, 3, 2024, 12, 30, 15, 250};
    EntryListWriter list;
    list.Departure(stamp);
    EXPECT_EQ(list.Bytes(), Bytes({16,   0,    0x69, 0x08, 0xEA, 0xFD, 5,  0, 3,   0,
                                   0xE8, 0x07, 12,   0,    30,   0,    15, 0, 250, 0}));
}

TEST(EntryListWriter, NestedListIsOneEntry)
{
    EntryListWriter inner;
    inner.Code(1);
    EntryListWriter outer;
    outer.List(inner);
    EXPECT_EQ(outer.Bytes(), Bytes({6, 0, 0xE4, 0x07, 2, 0, 0xFA, 0x07, 1, 0}));
}

TEST(EntryListWriter, TooLongDataMakesTheListInvalid)
{
    std::vector<uint8_t> data(70000);
    EntryListWriter list;
    list.Raw(1, data);
    EXPECT_FALSE(list.IsValid());
    EntryListWriter outer;
    outer.List(list);
    EXPECT_FALSE(outer.IsValid());
}

TEST(PayloadSpec, ItemsAndNesting)
{
    EntryListWriter expected;
    EntryListWriter board;
    board.Code(1).Input(1, 3).Input(2, 0);
    EntryListWriter list;
    list.Code(6).List(board);
    expected.List(list).Track(2, "Spur B").Value32(1, 0x5);
    EXPECT_EQ(PayloadOf("{code:6 {code:1 input:1:3 input:2:0}} track:2:\"Spur B\", value:1:0x5"),
              expected.Bytes());
}

TEST(PayloadSpec, EveryItem)
{
    EntryListWriter expected;
    StampFields stamp{5, 3, 2024, 12, 30, 15, 250};
    expected.Camera(4)
        .Board(2, 1)
        .Status(0x8000)
        .Pair(1, 4)
        .Value16(1, 7)
        .Value32(2, 0xFFFFFFFE)
        .Stamp(1, stamp)
        .Flags(1, 8)
        .Text(10, "a:b c")
        .Raw(0x1234, Bytes({0xAB, 0x01}))
        .SoftwareVersion(31303)
        .Hybrid(-1)
        .Departure(stamp);
    EXPECT_EQ(
        PayloadOf("camera:4 board:2:1 status:0x8000 pair:1:4 value16:1:7 value:2:-2 "
                  "stamp:1:2024-03-05T12:30:15.250 flags:1:8 text:10:\"a:b c\" raw:0x1234:ab01 "
                  "version:31303 hybrid:-1 departure:2024-03-05T12:30:15.250"),
        expected.Bytes());
}

TEST(PayloadSpec, EmptyTextIsAnEmptyPayload)
{
    EXPECT_TRUE(PayloadOf("").empty());
    EXPECT_TRUE(PayloadOf(" , ").empty());
}

TEST(PayloadSpec, MalformedTextsAreRefusedWithTheItem)
{
    EXPECT_NE(SpecError("code:x").find("code:x"), std::string::npos);
    EXPECT_NE(SpecError("code:70000").find("70000"), std::string::npos);
    EXPECT_NE(SpecError("frobnicate:1").find("frobnicate"), std::string::npos);
    EXPECT_NE(SpecError("{code:1").find("}"), std::string::npos);
    EXPECT_NE(SpecError("code:1}").find("}"), std::string::npos);
    EXPECT_NE(SpecError("pair:1").find("pair:1"), std::string::npos);
    EXPECT_NE(SpecError("text:1:\"open").find("quote"), std::string::npos);
    EXPECT_NE(SpecError("stamp:1:2024-03-05").find("date"), std::string::npos);
    EXPECT_NE(SpecError("raw:1:abc").find("hex"), std::string::npos);
    EXPECT_NE(SpecError("code").find("code"), std::string::npos);
}

TEST(PayloadSpec, StampTextAcceptsOutOfRangeFieldsForTesting)
{
    std::optional<StampFields> stamp = ParseStampText("2024-02-30T25:00:00");
    ASSERT_TRUE(stamp);
    EXPECT_EQ(stamp->day, 30);
    EXPECT_EQ(stamp->hour, 25);
    EXPECT_EQ(stamp->millisecond, 0);
    EXPECT_FALSE(ParseStampText("2024-02-30 25:00:00"));
    EXPECT_FALSE(ParseStampText("2024-02-30T25:00:00.5"));
}

TEST(PayloadSpec, Numbers)
{
    EXPECT_EQ(ParseNumber("0x10", 0, 100), 16);
    EXPECT_EQ(ParseNumber("-5", -10, 0), -5);
    EXPECT_FALSE(ParseNumber("5", 6, 10));
    EXPECT_FALSE(ParseNumber("", 0, 10));
    EXPECT_FALSE(ParseNumber("0x", 0, 10));
    EXPECT_FALSE(ParseNumber("1a", 0, 100));
    EXPECT_FALSE(ParseNumber("99999999999999999999", 0, INT64_MAX));
}
