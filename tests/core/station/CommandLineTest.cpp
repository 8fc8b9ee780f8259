// Start-up options: names, values, quoting, and the raw text checks.
#include "core/station/CommandLine.h"

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
