// A dialog's copy of a folder: nothing reaches the live tree before Apply,
// and Apply writes only what the dialog changed.
#include "config/SettingsCopy.h"

#include "config/TreeImage.h"
#include "testsupport/FakePrompt.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

const char kScript[] = R"(
<FOLDER><NAME>"Program"</NAME>
  <FOLDER><NAME>"RecorderList"</NAME>
    <TEMPLATE><NAME>"TEMPLATE"</NAME>
      <STRING><NAME>"Name"</NAME><CONTENT>""</CONTENT></STRING>
      <INT64><NAME>"iLastSignal"</NAME><CONTENT>0</CONTENT></INT64>
    </TEMPLATE>
  </FOLDER>
</FOLDER>
)";

// Names of the recorders in list order, with their signal times.
std::string Listing(const ConfigNode& list)
{
    std::string text;
    for (int i = 0; i < list.ChildCount(); ++i) {
        const ConfigNode& entry = *list.ChildAt(i);
        text += entry.Name() + "=" + entry.Child("Name")->GetString() + "/" +
                std::to_string(entry.Child("iLastSignal")->GetInt64()) + " ";
    }
    return text;
}

void AddNamed(ConfigNode& list, const char* name)
{
    list.NewEntry(list.ChildCount())->Child("Name")->SetString(name);
}

struct Case {
    const char* what;
    std::function<void(ConfigNode& copy)> edit;
    std::function<void(ConfigNode& live)> meanwhile;
    const char* expected;
};

} // namespace

TEST(SettingsCopyTest, ApplyWritesWhatTheDialogChangedAndKeepsWhatTheStationWrote)
{
    auto none = [](ConfigNode&) {};
    const Case cases[] = {
        {"a changed value", [](ConfigNode& c) { c.ChildAt(0)->Child("Name")->SetString("Halle"); },
         none, "00000000=Halle/0 00000001=Lager/0 "},
        {"an added entry", [](ConfigNode& c) { AddNamed(c, "Pforte"); }, none,
         "00000000=Tor/0 00000001=Lager/0 00000002=Pforte/0 "},
        {"a removed entry", [](ConfigNode& c) { c.RemoveChildAt(0); }, none, "00000001=Lager/0 "},
        {"the station's value",
         [](ConfigNode& c) { c.ChildAt(1)->Child("Name")->SetString("Hof"); },
         [](ConfigNode& l) { l.ChildAt(0)->Child("iLastSignal")->SetInt64(5000); },
         "00000000=Tor/5000 00000001=Hof/0 "},
        {"both added an entry", [](ConfigNode& c) { AddNamed(c, "Pforte"); },
         [](ConfigNode& l) { AddNamed(l, "Rampe"); },
         "00000000=Tor/0 00000001=Lager/0 00000002=Rampe/0 00000003=Pforte/0 "},
        {"both changed a value", [](ConfigNode& c) { c.ChildAt(0)->Child("Name")->SetString("A"); },
         [](ConfigNode& l) { l.ChildAt(0)->Child("Name")->SetString("B"); },
         "00000000=A/0 00000001=Lager/0 "},
    };
    for (const Case& c : cases) {
        FakePrompt prompt;
        ConfigTree tree;
        ASSERT_TRUE(tree.LoadDefaults(kScript, prompt));
        ConfigNode& list = *tree.TopFolder("Program")->Child("RecorderList");
        AddNamed(list, "Tor");
        AddNamed(list, "Lager");
        SettingsCopy copy(tree, {"Program", "RecorderList"});
        std::vector<uint8_t> before = TreeImage::Build(list);
        c.edit(copy.Values());
        EXPECT_EQ(TreeImage::Build(list), before) << c.what;
        c.meanwhile(list);
        copy.Apply();
        EXPECT_EQ(Listing(list), c.expected) << c.what;
        // Applied once: the station's later writes stay at the next Apply.
        list.ChildAt(0)->Child("iLastSignal")->SetInt64(7000);
        copy.Apply();
        EXPECT_EQ(list.ChildAt(0)->Child("iLastSignal")->GetInt64(), 7000) << c.what;
    }
}
