// What the configuration sheet's changes leave in the audit trail: one event
// per changed key or account, secrets masked, runtime values left out.
#include "station/ConfigAudit.h"

#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "db/ConfigPath.h"
#include "testsupport/FakePrompt.h"
#include "users/UserAccounts.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

ConfigNode* System(ConfigTree& tree)
{
    return FindConfigNode(tree, {"Program", "Configuration", "System"});
}

ConfigNode* Users(ConfigTree& tree)
{
    return FindConfigNode(tree, {"Program", "UserList"});
}

struct SheetEdit {
    const char* name;
    std::function<void(ConfigTree&)> edit;
    // "kind subject" of each event, in order.
    std::vector<std::string> expected;
};

TEST(ConfigAuditTest, EachSheetChangeIsOneEventAndSecretsNeverShow)
{
    const SheetEdit edits[] = {
        {"system key",
         [](ConfigTree& t) { System(t)->Child("iNumMaxAlarms")->SetInt(77); },
         {"config-change Configuration/System/iNumMaxAlarms"}},
        {"mail password",
         [](ConfigTree& t) { System(t)->Child("mailAuthPassword")->SetString("hunter2"); },
         {"config-change Configuration/System/mailAuthPassword"}},
        {"user added",
         [](ConfigTree& t) {
             ConfigNode* user = Users(t)->NewEntry(Users(t)->ChildCount());
             user->Child("Name")->SetString("anna");
             user->Child("Password")->SetString("hunter2");
         },
         {"user-add anna"}},
        {"user deleted",
         [](ConfigTree& t) { Users(t)->RemoveChildAt(0); },
         {"user-delete administrator"}},
        {"password and right",
         [](ConfigTree& t) {
             Users(t)->ChildAt(0)->Child("Password")->SetString("hunter2");
             Users(t)->ChildAt(0)->Child("RTDelAlarm")->SetInt(0);
         },
         {"user-change administrator", "user-rights administrator"}},
        {"runtime value only",
         [](ConfigTree& t) { Users(t)->ChildAt(0)->Child("IsCurLoggedInUser")->SetInt(1); },
         {}},
    };
    for (const SheetEdit& sheet : edits) {
        SCOPED_TRACE(sheet.name);
        FakePrompt prompt;
        ConfigTree tree;
        ASSERT_TRUE(tree.LoadDefaults(DefaultScript(), prompt));
        CreateBuiltInAccount(tree);
        ConfigAudit audit(tree);
        sheet.edit(tree);
        std::vector<std::string> seen;
        for (const AuditEvent& event : audit.Changes()) {
            seen.push_back(event.kind + " " + event.subject);
            for (const auto& [key, value] : event.details)
                EXPECT_EQ(value.find("hunter2"), std::string::npos) << key;
        }
        EXPECT_EQ(seen, sheet.expected);
    }
}

} // namespace
