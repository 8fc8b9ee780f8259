#include "config/Version.h"

#include <gtest/gtest.h>

TEST(Version, ProductVersionIsDottedNumbers)
{
    std::string_view version = ProductVersion();
    ASSERT_FALSE(version.empty());
    EXPECT_NE(version.find('.'), std::string_view::npos);
    for (char c : version)
        EXPECT_TRUE((c >= '0' && c <= '9') || c == '.') << version;
}

TEST(Version, NumberFromTheVersionText)
{
    EXPECT_EQ(VersionNumber("4.0.2 ServicePack A"), 40200);
    EXPECT_EQ(VersionNumber("4.1.0"), 41000);
    EXPECT_EQ(VersionNumber("4.0.1 RC 6"), 40106);
    EXPECT_EQ(VersionNumber("3.1.2 c14"), 31214);
    EXPECT_EQ(VersionNumber("4.0.0 Release 16"), 40016);
    EXPECT_EQ(VersionNumber("Beta"), 0);
    EXPECT_EQ(VersionNumber(""), 0);
    EXPECT_EQ(VersionNumber("12345678901234567890"), 0);
    EXPECT_GT(VersionNumber(ProductVersion()), 40016);
}
