// Reading and writing through key descriptors: a missing key or folder reads
// as the descriptor's default and takes no write.
#include "config/ConfigKey.h"

#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "testsupport/FakePrompt.h"

#include <gtest/gtest.h>

namespace {

constexpr ConfigFolder kMissingFolder{"Program/Configuration/Nowhere"};
constexpr ConfigKey<int32_t> kInt{{"Program/Configuration/System"}, "iNumMaxAlarms", 7};
constexpr ConfigKey<int32_t> kMissingInt{kMissingFolder, "iNumMaxAlarms", 7};
constexpr ConfigKey<int64_t> kInt64{{"Program"}, "iNextBackup", -3};
constexpr ConfigKey<std::string_view> kText{{"Program/Configuration/MISC"}, "Language", "x"};
constexpr ConfigKey<std::string_view> kMissingText{{"Program"}, "NoSuchKey", "fallback"};

class ConfigKeyTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tree.LoadDefaults(DefaultScript(), prompt)); }

    FakePrompt prompt;
    ConfigTree tree;
};

TEST_F(ConfigKeyTest, PresentKeysReadAndWriteTheTree)
{
    EXPECT_EQ(Get(tree, kInt), 5000);
    Set(tree, kInt, 12);
    EXPECT_EQ(Get(tree, kInt), 12);
    Set(tree, kInt64, int64_t{1} << 40);
    EXPECT_EQ(Get(tree, kInt64), int64_t{1} << 40);
    EXPECT_EQ(Get(tree, kText), "German");
    Set(tree, kText, std::string("English"));
    EXPECT_EQ(Get(*Find(tree, kText.folder), kText), "English");
}

TEST_F(ConfigKeyTest, MissingKeysReadAsTheirDefaultAndTakeNoWrite)
{
    EXPECT_EQ(Find(tree, kMissingFolder), nullptr);
    EXPECT_EQ(Get(tree, kMissingInt), 7);
    Set(tree, kMissingInt, 9);
    EXPECT_EQ(Get(tree, kMissingInt), 7);
    EXPECT_EQ(Get(tree, kMissingText), "fallback");
    Set(tree, kMissingText, std::string_view("y"));
    EXPECT_EQ(Find(tree, kMissingText), nullptr);
}

} // namespace
