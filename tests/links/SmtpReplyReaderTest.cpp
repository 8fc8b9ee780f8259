// The SMTP reply scanner: which bytes make a complete reply, multi-line
// replies, replies split over receives, and over-long replies that must not
// stall the buffer.
#include "links/SmtpReplyReader.h"

#include <cstring>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace {

int Find(std::string_view text)
{
    return SmtpReplyReader::FindReplyCode(
        {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

// Feeds text as one receive (cut to what fits); returns the code or -1.
int Feed(SmtpReplyReader& reader, std::string_view text)
{
    size_t n = std::min(text.size(), reader.FreeBytes());
    std::memcpy(reader.FreeSpace(), text.data(), n);
    return reader.Commit(n);
}

TEST(SmtpReplyScan, FindsTheCodeOfACompleteLine)
{
    EXPECT_EQ(Find("220 mail.example ESMTP\r\n"), 220);
    EXPECT_EQ(Find("354 go\n"), 354);
    EXPECT_EQ(Find("250 \r\n"), 250);
}

TEST(SmtpReplyScan, WaitsForTheEndOfTheLastLine)
{
    EXPECT_EQ(Find("250 OK"), -1);
    EXPECT_EQ(Find("250"), -1);
    EXPECT_EQ(Find(""), -1);
}

TEST(SmtpReplyScan, SkipsContinuationLines)
{
    EXPECT_EQ(Find("250-testserver\r\n250-SIZE 1000\r\n"), -1);
    EXPECT_EQ(Find("250-testserver\r\n250-SIZE 1000\r\n250 HELP\r\n"), 250);
}

TEST(SmtpReplyScan, TakesTheLastCompleteFinalLine)
{
    EXPECT_EQ(Find("250-a\r\n251 b\r\n252 c"), 251);
}

TEST(SmtpReplyScan, NeedsTheCodeAtTheStartOfALine)
{
    EXPECT_EQ(Find("x250 OK\r\n"), -1);
    EXPECT_EQ(Find("250-SIZE 1000 \r\n"), -1);
    EXPECT_EQ(Find("25 OK\r\n"), -1);
    EXPECT_EQ(Find("2a0 OK\r\n"), -1);
    EXPECT_EQ(Find("hello\r\n220 hi\r\n"), 220);
}

TEST(SmtpReplyReader, AcceptsAReplySplitOverReceivesOnceItsLastLineIsComplete)
{
    SmtpReplyReader reader;
    EXPECT_EQ(Feed(reader, "25"), -1);
    EXPECT_EQ(Feed(reader, "0-first\r\n250"), -1);
    EXPECT_EQ(Feed(reader, " last"), -1);
    EXPECT_EQ(Feed(reader, "\r"), -1);
    EXPECT_EQ(Feed(reader, "\n"), 250);
    EXPECT_EQ(reader.Held(), 0u);
}

TEST(SmtpReplyReader, NeverHoldsMoreThan1023Bytes)
{
    SmtpReplyReader reader;
    EXPECT_EQ(reader.FreeBytes(), 1023u);
    std::string text(600, 'x');
    Feed(reader, text);
    EXPECT_EQ(reader.FreeBytes(), 423u);
}

TEST(SmtpReplyReader, ManyContinuationLinesDoNotStallTheReply)
{
    SmtpReplyReader reader;
    std::string reply;
    for (int i = 0; i < 200; ++i)
        reply += "250-EXTENSION-NUMBER-" + std::to_string(i) + "\r\n";
    reply += "250 HELP\r\n";
    int code = -1;
    size_t pos = 0;
    while (code < 0 && pos < reply.size()) {
        size_t n = std::min(reader.FreeBytes(), reply.size() - pos);
        ASSERT_GT(n, 0u);
        code = Feed(reader, std::string_view(reply).substr(pos, n));
        pos += n;
    }
    EXPECT_EQ(code, 250);
    EXPECT_EQ(pos, reply.size());
}

TEST(SmtpReplyReader, AnOverLongFinalLineStillGivesItsCode)
{
    SmtpReplyReader reader;
    std::string reply = "221 " + std::string(5000, 'b') + "\r\n";
    int code = -1;
    size_t pos = 0;
    while (code < 0 && pos < reply.size()) {
        size_t n = std::min(reader.FreeBytes(), reply.size() - pos);
        ASSERT_GT(n, 0u);
        code = Feed(reader, std::string_view(reply).substr(pos, n));
        pos += n;
    }
    EXPECT_EQ(code, 221);
}

TEST(SmtpReplyReader, AnOverLongContinuationLineIsNoFinalLine)
{
    SmtpReplyReader reader;
    std::string reply = "250-" + std::string(3000, 'c') + "\r\n";
    size_t pos = 0;
    while (pos < reply.size()) {
        size_t n = std::min(reader.FreeBytes(), reply.size() - pos);
        ASSERT_GT(n, 0u);
        EXPECT_EQ(Feed(reader, std::string_view(reply).substr(pos, n)), -1);
        pos += n;
    }
    EXPECT_EQ(Feed(reader, "250 OK\r\n"), 250);
}

} // namespace
