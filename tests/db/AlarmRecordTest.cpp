// The record's byte form: field widths, 0x01 padding, CR LF, the decimal
// reading of numbers, and how texts are made safe for fixed-size records.
#include "db/AlarmRecord.h"

#include <cstring>
#include <limits>
#include <numeric>
#include <string>

#include <gtest/gtest.h>

namespace {

std::string Encoded(const AlarmRecord& record)
{
    std::string bytes(AlarmRecord::kRecordBytes, '\0');
    record.Encode(bytes.data());
    return bytes;
}

std::string Padded(std::string_view text, size_t width)
{
    std::string field(text);
    field.resize(width - 1, '\x01');
    return field;
}

} // namespace

TEST(AlarmRecord, WidthsSumTo394AndARecordIs383Bytes)
{
    EXPECT_EQ(std::accumulate(AlarmRecord::kWidths.begin(), AlarmRecord::kWidths.end(), 0), 394);
    EXPECT_EQ(AlarmRecord::kRecordBytes, 383u);
    EXPECT_EQ(AlarmRecord::Offset(AlarmField::AddInfo), 114u);
    EXPECT_EQ(AlarmRecord::Offset(AlarmField::AutoConfirmed), 378u);
}

TEST(AlarmRecord, EncodesEveryFieldPaddedWithOneBytesThenCrLf)
{
    AlarmRecord record = AlarmRecord::NewAlarm();
    record.SetNumber(AlarmField::TimeArrival, 12'800'000'000'123);
    record.SetNumber(AlarmField::TimeDeparture, -1);
    record.SetField(AlarmField::Recorder, "192.168.1.20");
    record.SetNumber(AlarmField::CameraID, 3);
    record.SetNumber(AlarmField::TrackID, -1);
    record.SetNumber(AlarmField::AlarmType, 10005);
    record.SetField(AlarmField::AddInfo, "Spur-Info: Standard");

    std::string expected = Padded("12800000000123", 20) + Padded("-1", 20) +
                           Padded("192.168.1.20", 60) + Padded("3", 6) + Padded("-1", 6) +
                           Padded("10005", 8) + Padded("Spur-Info: Standard", 128) +
                           Padded("0", 4) + Padded("", 50) + Padded("", 64) + Padded("0", 4) +
                           Padded("", 20) + Padded("0", 4) + "\r\n";
    EXPECT_EQ(Encoded(record), expected);
}

TEST(AlarmRecord, NewAlarmHasOnlyTheThreeStateFieldsSet)
{
    AlarmRecord record = AlarmRecord::NewAlarm();
    for (int i = 0; i < AlarmRecord::kFieldCount; ++i) {
        AlarmField field = static_cast<AlarmField>(i);
        bool state = field == AlarmField::Confirmed || field == AlarmField::ConfirmState ||
                     field == AlarmField::AutoConfirmed;
        EXPECT_EQ(record.Field(field), state ? "0" : "") << i;
    }
}

TEST(AlarmRecord, LongRecorderAddressKeepsItsFirst59Characters)
{
    std::string address(70, 'a');
    for (size_t i = 0; i < address.size(); ++i)
        address[i] = static_cast<char>('a' + i % 26);
    AlarmRecord record;
    record.SetField(AlarmField::Recorder, address);
    EXPECT_EQ(record.Field(AlarmField::Recorder), address.substr(0, 59));
}

TEST(AlarmRecord, ControlBytesBecomeBlanks)
{
    AlarmRecord record;
    record.SetField(AlarmField::AddInfo, std::string("a\r\nb\tc\x01"
                                                     "d\x7f"
                                                     "e\0f",
                                                     12));
    EXPECT_EQ(record.Field(AlarmField::AddInfo), "a  b c d e f");
    std::string bytes = Encoded(record);
    EXPECT_EQ(bytes.find('\n'), AlarmRecord::kRecordBytes - 1);
    EXPECT_EQ(bytes.find('\r'), AlarmRecord::kRecordBytes - 2);
}

TEST(AlarmRecord, LongTextIsCutOnACharacterBoundary)
{
    AlarmRecord record;
    // 126 ASCII bytes, then a two-byte character that would end at 128.
    std::string text(126, 'x');
    text += "\xc3\xa4z";
    record.SetField(AlarmField::AddInfo, text);
    EXPECT_EQ(record.Field(AlarmField::AddInfo), std::string(126, 'x'));

    // A four-byte character that starts at 125 is dropped whole.
    text = std::string(125, 'x') + "\xf0\x9f\x94\x94";
    record.SetField(AlarmField::AddInfo, text);
    EXPECT_EQ(record.Field(AlarmField::AddInfo), std::string(125, 'x'));

    // One that ends exactly at the limit stays.
    text = std::string(123, 'x') + "\xf0\x9f\x94\x94" + "y";
    record.SetField(AlarmField::AddInfo, text);
    EXPECT_EQ(record.Field(AlarmField::AddInfo), std::string(123, 'x') + "\xf0\x9f\x94\x94");
}

TEST(AlarmRecord, TextThatIsNotUtf8IsCutAtTheLimit)
{
    AlarmRecord record;
    record.SetField(AlarmField::Confirmed, "\x80\x80\x80\x80\x80\x80");
    EXPECT_EQ(record.Field(AlarmField::Confirmed), "\x80\x80\x80");
}

TEST(AlarmRecord, FieldFromFileEndsAtTheFirstOneByte)
{
    AlarmRecord written;
    written.SetField(AlarmField::AddInfo, "abcdef");
    std::string bytes = Encoded(written);
    bytes[AlarmRecord::Offset(AlarmField::AddInfo) + 3] = '\x01';
    AlarmRecord read = AlarmRecord::FromBytes(bytes.data());
    EXPECT_EQ(read.Field(AlarmField::AddInfo), "abc");
    // Writing it back drops what followed the end.
    std::string again = Encoded(read);
    EXPECT_EQ(again.substr(AlarmRecord::Offset(AlarmField::AddInfo), 6), "abc\x01\x01\x01");
}

TEST(AlarmRecord, ForeignBytesFromFileAreMadeSafeWhenWrittenBack)
{
    std::string bytes(AlarmRecord::kFieldBytes, '\x01');
    std::memcpy(bytes.data() + AlarmRecord::Offset(AlarmField::ConfirmUser), "ab\ncd\0ef", 8);
    AlarmRecord read = AlarmRecord::FromBytes(bytes.data());
    EXPECT_EQ(read.Field(AlarmField::ConfirmUser), "ab\ncd");
    std::string encoded = Encoded(read);
    EXPECT_EQ(encoded.substr(AlarmRecord::Offset(AlarmField::ConfirmUser), 8), "ab cd\x01\x01\x01");
}

TEST(AlarmRecord, NumbersReadLikeTheCLibrary)
{
    EXPECT_EQ(ParseDecimal(""), 0);
    EXPECT_EQ(ParseDecimal("  -42xyz"), -42);
    EXPECT_EQ(ParseDecimal("+7"), 7);
    EXPECT_EQ(ParseDecimal("abc"), 0);
    EXPECT_EQ(ParseDecimal("- 5"), 0);
    EXPECT_EQ(ParseDecimal("9223372036854775807"), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(ParseDecimal("9223372036854775808"), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(ParseDecimal("-9223372036854775808"), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(ParseDecimal("-99999999999999999999"), std::numeric_limits<int64_t>::min());
    AlarmRecord record;
    record.SetField(AlarmField::TimeArrival, "99999999999");
    EXPECT_EQ(record.Int(AlarmField::TimeArrival), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(record.Number(AlarmField::TimeArrival), 99'999'999'999);
}

TEST(AlarmRecord, RecordsCompareByFieldText)
{
    AlarmRecord a;
    a.SetField(AlarmField::AddInfo, "abc");
    std::string bytes = Encoded(a);
    bytes[AlarmRecord::Offset(AlarmField::AddInfo) + 4] = 'z'; // after the end: invisible
    EXPECT_EQ(AlarmRecord::FromBytes(bytes.data()), a);
    AlarmRecord b = a;
    b.SetField(AlarmField::ConfirmUser, "x");
    EXPECT_FALSE(a == b);
}
