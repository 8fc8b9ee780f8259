// Start-up options: names, values, quoting, and the raw text checks.
#include "station/CommandLine.h"

#include <gtest/gtest.h>

TEST(CommandLine, NamesAndValues)
{
    CommandLine line("/keepalive:30 /present\t/dbmem  ignored /hybrid");
    EXPECT_EQ(line.IntValue("keepalive", 15), 30);
    EXPECT_TRUE(line.Has("present"));
    EXPECT_EQ(line.Value("present"), "");
    EXPECT_TRUE(line.Has("dbmem"));
    EXPECT_TRUE(line.Has("hybrid"));
    EXPECT_FALSE(line.Has("ignored"));
    EXPECT_FALSE(line.Has("Present")); // names are case-sensitive
    EXPECT_EQ(line.IntValue("missing", 15), 15);
}

TEST(CommandLine, QuotedStretchesKeepBlanksAndEndTheOption)
{
    CommandLine line("/datadir:\"/srv/wardex data\"/port:31000 /x:a\"b c\"d");
    EXPECT_EQ(line.Value("datadir"), "/srv/wardex data");
    EXPECT_EQ(line.IntValue("port", 30000), 31000);
    EXPECT_EQ(line.Value("x"), "ab c");
    EXPECT_FALSE(line.Has("d"));
}

TEST(CommandLine, SlashStartsAnOptionOnlyOutsideValues)
{
    CommandLine line("/datadir:/tmp/station/a /b/c");
    EXPECT_EQ(line.Value("datadir"), "/tmp/station/a");
    EXPECT_TRUE(line.Has("b"));
    EXPECT_TRUE(line.Has("c"));
}

TEST(CommandLine, EdgeCases)
{
    CommandLine empty("");
    EXPECT_FALSE(empty.Has(""));
    CommandLine stray("/ /: /:value text");
    EXPECT_FALSE(stray.Has(""));
    CommandLine last("/port:1 /port:2");
    EXPECT_EQ(last.IntValue("port", 0), 2);
    CommandLine bad("/keepalive:abc /port:12x");
    EXPECT_EQ(bad.IntValue("keepalive", 15), 15);
    EXPECT_EQ(bad.IntValue("port", 30000), 30000);
    CommandLine open("/datadir:\"/no end");
    EXPECT_EQ(open.Value("datadir"), "/no end");
}

TEST(CommandLine, PresentationModeIsFoundInTheRawText)
{
    EXPECT_TRUE(CommandLine("/dbmem /presentation_mode 1").WantsPresentationMode());
    EXPECT_FALSE(CommandLine("/presentation_mode 0").WantsPresentationMode());
    EXPECT_FALSE(CommandLine("/presentation_mode:1").WantsPresentationMode());
}

TEST(CommandLine, FromArgumentsKeepsValuesWithBlanksWhole)
{
    const char* argv[] = {"wardex", "/datadir:/srv/my station", "/presentation_mode", "1",
                          "/port:31000"};
    CommandLine line = CommandLine::FromArguments(5, argv);
    EXPECT_EQ(line.Value("datadir"), "/srv/my station");
    EXPECT_EQ(line.IntValue("port", 0), 31000);
    EXPECT_TRUE(line.WantsPresentationMode());
}

TEST(CommandLine, MetricsListenOnTheLoopbackPortUnlessToldOtherwise)
{
    EXPECT_FALSE(CommandLine("/port:1").Metrics());
    std::optional<MetricsAddress> plain = CommandLine("/metrics").Metrics();
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->host, "127.0.0.1");
    EXPECT_EQ(plain->port, 9310);
    std::optional<MetricsAddress> port = CommandLine("/metrics:9400").Metrics();
    ASSERT_TRUE(port);
    EXPECT_EQ(port->host, "127.0.0.1");
    EXPECT_EQ(port->port, 9400);
    std::optional<MetricsAddress> both = CommandLine("/metrics:10.1.2.3:0").Metrics();
    ASSERT_TRUE(both);
    EXPECT_EQ(both->host, "10.1.2.3");
    EXPECT_EQ(both->port, 0);
}

TEST(CommandLine, ValuesTheStationCannotUseAreNamedWithWhatTheyMustBe)
{
    struct Case {
        const char* line;
        const char* message; // empty: every value is usable
    };
    const Case cases[] = {
        {"/port:31000 /keepalive:30 /datadir:/srv/a /present /dbmem:x /unknown:abc", ""},
        {"/port:0", ""},
        {"/port:65535 /keepalive:1", ""},
        {"/port:abc", "/port:abc is not valid; the value must be a port number"},
        {"/port:0x", "/port:0x is not valid"},
        {"/port:99999", "/port:99999 is not valid"},
        {"/port:-1", "/port:-1 is not valid"},
        {"/port", "/port: is not valid"},
        {"/keepalive:-3", "/keepalive:-3 is not valid; the value must be a number of minutes"},
        {"/keepalive:0", "/keepalive:0 is not valid"},
        {"/keepalive:99999999999999999999", "/keepalive:99999999999999999999 is not valid"},
        {"/datadir:", "/datadir: is not valid; the value must be a folder"},
        {"/forward:127.0.0.1:31000 /shmgroup:video", ""},
        {"/forward:", "/forward: is not valid; the value must be a host"},
        {"/forward:a:1,b:2 /forwardretry:3600", ""},
        {"/forwardretry:0", "/forwardretry:0 is not valid; the value must be a number of seconds"},
        {"/shmgroup", "/shmgroup: is not valid; the value must be a group name"},
        {"/metrics /metrics:9311 /metrics:0.0.0.0:0", ""},
        {"/metrics:host:9310", "/metrics:host:9310 is not valid; the value must be empty, a port"},
        {"/metrics:1.2.3:9310", "/metrics:1.2.3:9310 is not valid"},
        {"/metrics:1.2.3.256:9310", "/metrics:1.2.3.256:9310 is not valid"},
        {"/metrics:127.0.0.1:65536", "/metrics:127.0.0.1:65536 is not valid"},
        {"/metrics:127.0.0.1:", "/metrics:127.0.0.1: is not valid"},
    };
    for (const Case& c : cases) {
        std::optional<std::string> message = CommandLine(c.line).CheckValues();
        if (*c.message == '\0') {
            EXPECT_FALSE(message) << c.line << ": " << message.value_or("");
            continue;
        }
        ASSERT_TRUE(message) << c.line;
        EXPECT_NE(message->find(c.message), std::string::npos) << *message;
    }
}
