#include "net/ByteBuffer.h"

#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace {

const uint8_t* U(std::string_view text)
{
    return reinterpret_cast<const uint8_t*>(text.data());
}

std::string Text(const ByteBuffer& buffer)
{
    return {reinterpret_cast<const char*>(buffer.Data()), buffer.Length()};
}

} // namespace

TEST(ByteBuffer, AppendTakesTwoChunksAndCountsNullAsEmpty)
{
    ByteBuffer buffer;
    EXPECT_EQ(buffer.Append(U("abc"), 3, U("de"), 2), 5);
    EXPECT_EQ(buffer.Append(nullptr, 7, U("f"), 1), 1);
    EXPECT_EQ(buffer.Append(U("g"), 1), 1);
    EXPECT_EQ(Text(buffer), "abcdefg");
}

TEST(ByteBuffer, GrowsToExactlyWhatItNeedsAndNeverShrinks)
{
    ByteBuffer buffer;
    buffer.Append(U("0123456789"), 10);
    EXPECT_EQ(buffer.Capacity(), 10u);
    buffer.Consume(4);
    buffer.Append(U("ab"), 2);
    EXPECT_EQ(buffer.Capacity(), 10u);
    buffer.Append(U("cdefg"), 5);
    EXPECT_EQ(buffer.Capacity(), 13u);
    buffer.Clear();
    EXPECT_EQ(buffer.Capacity(), 13u);
    EXPECT_EQ(buffer.Length(), 0u);
}

TEST(ByteBuffer, GranularityRoundsTheCapacityUp)
{
    ByteBuffer buffer(8);
    buffer.Append(U("abc"), 3);
    EXPECT_EQ(buffer.Capacity(), 8u);
    buffer.Append(U("defghi"), 6);
    EXPECT_EQ(buffer.Capacity(), 16u);
}

TEST(ByteBuffer, PrependShiftsTheExistingBytesUp)
{
    ByteBuffer buffer;
    buffer.Append(U("world"), 5);
    buffer.Prepend(U("hello "), 6);
    EXPECT_EQ(Text(buffer), "hello world");
    buffer.Prepend(nullptr, 3);
    buffer.Prepend(U("x"), 0);
    EXPECT_EQ(Text(buffer), "hello world");
}

TEST(ByteBuffer, PrependAfterConsumeReusesTheRoomInFront)
{
    ByteBuffer buffer;
    buffer.Append(U("abcdef"), 6);
    buffer.Consume(4);
    buffer.Prepend(U("XYZ"), 3);
    EXPECT_EQ(Text(buffer), "XYZef");
    buffer.Prepend(U("12"), 2);
    EXPECT_EQ(Text(buffer), "12XYZef");
    EXPECT_EQ(buffer.Capacity(), 7u);
    buffer.Consume(1);
    buffer.Append(U("g"), 1);
    EXPECT_EQ(Text(buffer), "2XYZefg");
    EXPECT_EQ(buffer.Capacity(), 7u);
}

TEST(ByteBuffer, ConsumeMovesTheRestDown)
{
    ByteBuffer buffer;
    buffer.Append(U("abcdef"), 6);
    buffer.Consume(2);
    EXPECT_EQ(Text(buffer), "cdef");
    buffer.Consume(0);
    EXPECT_EQ(Text(buffer), "cdef");
}

TEST(ByteBuffer, ConsumeOfAllOrMoreOrNegativeEmpties)
{
    ByteBuffer buffer;
    buffer.Append(U("abc"), 3);
    buffer.Consume(3);
    EXPECT_TRUE(buffer.IsEmpty());
    buffer.Append(U("abc"), 3);
    buffer.Consume(99);
    EXPECT_TRUE(buffer.IsEmpty());
    buffer.Append(U("abc"), 3);
    buffer.Consume(-1);
    EXPECT_TRUE(buffer.IsEmpty());
}
