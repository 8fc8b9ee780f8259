// The configuration tree of a first start, with the built-in account, and
// a quick way to add more accounts.
#pragma once

#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "testsupport/FakePrompt.h"
#include "users/UserAccounts.h"

#include <initializer_list>
#include <memory>
#include <string_view>

#include <gtest/gtest.h>

inline std::unique_ptr<ConfigTree> MakeUserTree()
{
    auto tree = std::make_unique<ConfigTree>();
    FakePrompt prompt;
    EXPECT_TRUE(tree->LoadDefaults(DefaultScript(), prompt));
    CreateBuiltInAccount(*tree);
    return tree;
}

inline ConfigNode* AddUser(ConfigTree& tree, std::string_view name, std::string_view password,
                           std::initializer_list<UserRight> rights = {})
{
    ConfigNode* list = tree.TopFolder("Program")->Child("UserList");
    ConfigNode* entry = list->NewEntry(list->ChildCount());
    entry->Child("Name")->SetString(name);
    entry->Child("Password")->SetString(password);
    for (UserRight right : rights)
        entry->Child(RightKey(right))->SetInt(1);
    return entry;
}

inline int Flag(ConfigNode* entry, std::string_view key)
{
    return entry->Child(key)->GetInt();
}
