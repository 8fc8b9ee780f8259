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
