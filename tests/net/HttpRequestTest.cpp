// The metrics endpoint's request reader: what each head is answered with,
// the same whether it arrives whole or byte by byte, and the bound.
#include "net/HttpRequest.h"

#include "net/MetricsRegistry.h"

#include <string>

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* head;
    HttpVerdict verdict;
};

const Case kCases[] = {
    {"GET /metrics HTTP/1.1\r\nHost: a\r\n\r\n", HttpVerdict::Serve},
    {"GET /health HTTP/1.0\n\n", HttpVerdict::Serve},
    {"GET /metrics?x=1 HTTP/1.1\r\n\r\n", HttpVerdict::Serve},
    {"GET /metrics HTTP/1.1\r\nHost: a\r\n", HttpVerdict::Incomplete},
    {"HEAD /metrics HTTP/1.1\r\n\r\n", HttpVerdict::MethodNotAllowed},
    {"POST /health HTTP/1.1\r\n\r\n", HttpVerdict::MethodNotAllowed},
    {"GET / HTTP/1.1\r\n\r\n", HttpVerdict::NotFound},
    {"GET /metrics/ HTTP/1.1\r\n\r\n", HttpVerdict::NotFound},
    {"GET http://a/metrics HTTP/1.1\r\n\r\n", HttpVerdict::BadRequest},
    {"GET /metrics HTTP/2.0\r\n\r\n", HttpVerdict::BadRequest},
    {"GET /metrics\r\n\r\n", HttpVerdict::BadRequest},
    {"GET  /metrics HTTP/1.1\r\n\r\n", HttpVerdict::BadRequest},
    {"G(T /metrics HTTP/1.1\r\n\r\n", HttpVerdict::BadRequest},
    {"GET /metrics HTTP/1.1\r\nX: a\r\n b\r\n\r\n", HttpVerdict::BadRequest},
    {"GET /metrics HTTP/1.1\r\nNo colon\r\n\r\n", HttpVerdict::BadRequest},
    {"GET /metrics HTTP/1.1\r\nX: \x01\r\n\r\n", HttpVerdict::BadRequest},
    {"GET /m\x80trics HTTP/1.1\r\n\r\n", HttpVerdict::BadRequest},
    {"\r\n\r\n", HttpVerdict::BadRequest},
};

} // namespace

TEST(HttpRequestTest, EachHeadGetsItsVerdictWholeOrByteByByte)
{
    for (const Case& test : kCases) {
        std::string head = test.head;
        HttpRequestReader whole;
        EXPECT_EQ(whole.Feed(head), test.verdict) << head;
        HttpRequestReader bytes;
        for (char c : head)
            bytes.Feed(std::span<const char>(&c, 1));
        EXPECT_EQ(bytes.Verdict(), test.verdict) << head;
    }
}

TEST(HttpRequestTest, ServedPathsAreTold)
{
    HttpRequestReader metrics;
    ASSERT_EQ(metrics.Feed(std::string("GET /metrics HTTP/1.1\r\n\r\n")), HttpVerdict::Serve);
    EXPECT_EQ(metrics.Target(), HttpTarget::Metrics);
    HttpRequestReader health;
    ASSERT_EQ(health.Feed(std::string("GET /health HTTP/1.1\r\n\r\n")), HttpVerdict::Serve);
    EXPECT_EQ(health.Target(), HttpTarget::Health);
}

TEST(HttpRequestTest, AHeadPastTheBoundIsRefusedAndNotKeptGrowing)
{
    HttpRequestReader reader;
    std::string start = "GET /metrics HTTP/1.1\r\nX: ";
    EXPECT_EQ(reader.Feed(start), HttpVerdict::Incomplete);
    std::string filler(HttpRequestReader::kMaxHeadBytes, 'a');
    EXPECT_EQ(reader.Feed(filler), HttpVerdict::TooLarge);
    EXPECT_EQ(reader.Feed(std::string("\r\n\r\n")), HttpVerdict::TooLarge);
    EXPECT_EQ(HttpRequestReader::StatusCode(HttpVerdict::TooLarge), 431);
}

TEST(MetricsTextTest, LabelValuesAreEscapedAndHistogramsCumulative)
{
    EXPECT_EQ(MetricsText::Label("name", "a\"b\\c\nd"), "name=\"a\\\"b\\\\c\\nd\"");
    DurationHistogram histogram({100, 1000});
    for (int64_t us : {50, 100, 101, 5000})
        histogram.Add(us);
    MetricsText out;
    histogram.Write(out, "x_seconds", "Help.");
    EXPECT_EQ(out.Text(), "# HELP x_seconds Help.\n# TYPE x_seconds histogram\n"
                          "x_seconds_bucket{le=\"0.0001\"} 2\nx_seconds_bucket{le=\"0.001\"} 3\n"
                          "x_seconds_bucket{le=\"+Inf\"} 4\nx_seconds_sum 0.005251\n"
                          "x_seconds_count 4\n");
}
