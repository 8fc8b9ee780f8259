// The entry list reader: which entries are visible, nesting, rejection, and
// readers that never go past an entry's data.
#include "events/TagReader.h"

#include "telegram/EntryListWriter.h"

#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<uint16_t> Tags(std::span<const uint8_t> list)
{
    std::vector<uint16_t> tags;
    std::optional<TagReader> reader = TagReader::Open(list);
    if (!reader)
        return tags;
    while (std::optional<TagEntry> entry = reader->Next())
        tags.push_back(entry->Tag());
    return tags;
}

} // namespace

TEST(TagReader, WalksEntriesInOrder)
{
    EntryListWriter list;
    list.Code(6).Pair(1, 4).Text(1, "x");
    EXPECT_EQ(Tags(list.Bytes()), (std::vector<uint16_t>{0x07FA, 0x0855, 0x087D}));
}

TEST(TagReader, EmptyListOpensWithoutEntries)
{
    std::optional<TagReader> reader = TagReader::Open({});
    ASSERT_TRUE(reader);
    EXPECT_FALSE(reader->Next());
}

TEST(TagReader, ListWhoseFirstEntryHasTagAndLengthZeroIsRejected)
{
    EntryListWriter list;
    list.Raw(0, {}).Code(6);
    EXPECT_FALSE(TagReader::Open(list.Bytes()));
}

TEST(TagReader, ZeroTagWithDataOrZeroLengthWithTagOpens)
{
    const uint8_t data[] = {1, 2};
    EntryListWriter zeroTag;
    zeroTag.Raw(0, data);
    EXPECT_TRUE(TagReader::Open(zeroTag.Bytes()));
    EntryListWriter zeroLength;
    zeroLength.Raw(0x07FA, {}).Code(1);
    EXPECT_EQ(Tags(zeroLength.Bytes()), (std::vector<uint16_t>{0x07FA, 0x07FA}));
}

TEST(TagReader, EntryAtExactlyFourRemainingBytesEndsTheList)
{
    EntryListWriter list;
    list.Code(6).Raw(0x0855, {});
    EXPECT_EQ(Tags(list.Bytes()), (std::vector<uint16_t>{0x07FA}));
}

TEST(TagReader, EmptyEntryFollowedByMoreBytesIsVisible)
{
    EntryListWriter list;
    list.Raw(0x0855, {}).Code(6);
    EXPECT_EQ(Tags(list.Bytes()), (std::vector<uint16_t>{0x0855, 0x07FA}));
}

TEST(TagReader, TrailingBytesShorterThanAnEntryHeaderAreIgnored)
{
    EntryListWriter list;
    list.Code(6);
    std::vector<uint8_t> bytes = list.Bytes();
    bytes.insert(bytes.end(), {0xFF, 0xFF, 0xFF});
    EXPECT_EQ(Tags(bytes), (std::vector<uint16_t>{0x07FA}));
}

TEST(TagReader, EntryWhoseDataRunsPastTheListEndsTheWalk)
{
    const uint8_t data[] = {1, 2};
    EntryListWriter list;
    list.Code(6).RawWithLength(40, 0x0855, data);
    EXPECT_EQ(Tags(list.Bytes()), (std::vector<uint16_t>{0x07FA}));
}

TEST(TagReader, NestedListIsBoundedByItsEntry)
{
    EntryListWriter inner;
    inner.Code(1).Input(1, 3);
    EntryListWriter outer;
    outer.List(inner).Code(9);
    std::optional<TagReader> reader = TagReader::Open(outer.Bytes());
    ASSERT_TRUE(reader);
    std::optional<TagEntry> list = reader->Next();
    ASSERT_TRUE(list);
    std::optional<TagReader> nested = list->Nested();
    ASSERT_TRUE(nested);
    EXPECT_EQ(nested->Next()->Tag(), 0x07FA);
    EXPECT_EQ(nested->Next()->Tag(), 0x0873);
    EXPECT_FALSE(nested->Next());
    EXPECT_EQ(reader->Next()->U16(0), 9);
}

TEST(TagReader, NestedListWithZeroFirstEntryCannotBeOpened)
{
    EntryListWriter inner;
    inner.Raw(0, {}).Code(1);
    EntryListWriter outer;
    outer.List(inner);
    std::optional<TagReader> reader = TagReader::Open(outer.Bytes());
    EXPECT_FALSE(reader->Next()->Nested());
}

TEST(TagReader, RewindStartsOver)
{
    EntryListWriter list;
    list.Code(1).Code(2);
    std::optional<TagReader> reader = TagReader::Open(list.Bytes());
    reader->Next();
    reader->Next();
    reader->Rewind();
    EXPECT_EQ(reader->Next()->U16(0), 1);
}

TEST(TagEntry, ReadersAnswerNothingBeyondTheData)
{
    const uint8_t data[] = {0x01, 0x00, 0x34, 0x12, 0x78};
    TagEntry entry(0x085F, data);
    EXPECT_EQ(entry.U16(0), 1);
    EXPECT_EQ(entry.U16(2), 0x1234);
    EXPECT_EQ(entry.U16(3), 0x7812);
    EXPECT_FALSE(entry.U16(4));
    EXPECT_EQ(entry.U32(1), 0x78123400u);
    EXPECT_FALSE(entry.U32(2));
    EXPECT_EQ(entry.Byte(4), 0x78);
    EXPECT_FALSE(entry.Byte(5));
    EXPECT_FALSE(entry.U16(static_cast<size_t>(-1)));
    EXPECT_FALSE(entry.U32(static_cast<size_t>(-2)));
    EXPECT_TRUE(entry.HasKind(1));
    EXPECT_FALSE(entry.HasKind(2));
}

TEST(TagEntry, SignedValueReadsNegativeNumbers)
{
    const uint8_t data[] = {0x01, 0x00, 0xFE, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(TagEntry(0x085F, data).I32(2), -2);
}

TEST(TagEntry, TextEndsAtNulOrDataEndAndIsCut)
{
    const uint8_t withNul[] = {1, 0, 'a', 'b', 0, 'c'};
    EXPECT_EQ(TagEntry(0x087D, withNul).Text(2, 255), "ab");
    const uint8_t withoutNul[] = {1, 0, 'a', 'b', 'c'};
    EXPECT_EQ(TagEntry(0x087D, withoutNul).Text(2, 255), "abc");
    EXPECT_EQ(TagEntry(0x087D, withoutNul).Text(2, 2), "ab");
    EXPECT_EQ(TagEntry(0x087D, withoutNul).Text(5, 255), "");
    EXPECT_FALSE(TagEntry(0x087D, withoutNul).Text(6, 255));
}
