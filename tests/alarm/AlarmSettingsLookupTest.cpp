// Which settings entry applies to an alarm (unknown recorders, camera
// sub-alarms in both passes, the sign-extended camera bit 31) and the
// start-up completion of the recorders' settings lists.
#include "alarm/AlarmSettingsLookup.h"

#include "AlarmFixture.h"
#include "events/AlarmTypeCatalogue.h"
#include "events/RecorderLookup.h"

#include <functional>

#include <gtest/gtest.h>

namespace {

constexpr int32_t kCameraContact = 10005; // SubType 24 in the defaults
constexpr int32_t kGroupContact = 10004;  // SubType 0

class AlarmSettingsLookupTest : public AlarmFixture {
protected:
    ConfigNode* Find(int32_t type, int32_t camera, std::string_view ip = kRecorderIp)
    {
        return FindAlarmSettings(*tree, type, camera, ip);
    }

    ConfigNode* Defaults() { return tree->TopFolder("Program")->Child("DefaultAlarmSettings"); }
    ConfigNode* SettingsList(std::string_view ip = kRecorderIp)
    {
        return tree->TopFolder("Program")
            ->Child("RecorderList")
            ->FindEntryByString("IP", ip)
            ->Child("AlarmSettings");
    }
    int NextSubId()
    {
        return tree->TopFolder("Runtime")
            ->Child("GUI")
            ->Child("CPropPageRecorderAlarmSettings")
            ->Child("iNextIDForSubID")
            ->GetInt();
    }
};

} // namespace

TEST_F(AlarmSettingsLookupTest, UnknownRecorderTakesTheDefaultsOfTheType)
{
    ConfigNode* entry = Find(kGroupContact, 0, "10.9.9.9");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->Parent(), Defaults());
    EXPECT_EQ(entry->Child("Type")->GetInt(), kGroupContact);
}

TEST_F(AlarmSettingsLookupTest, HybridRecorderIsNotMatched)
{
    AddRecorder("10.0.0.2", "Hybrid", 1);
    CompleteRecorderSettings(*tree);
    EXPECT_EQ(Find(kGroupContact, 0, "10.0.0.2")->Parent(), Defaults());
}

TEST_F(AlarmSettingsLookupTest, KnownRecorderTakesItsMainEntry)
{
    EXPECT_EQ(Find(kGroupContact, 3), Setting(kGroupContact));
    EXPECT_EQ(Find(kCameraContact, 3), Setting(kCameraContact));
}

TEST_F(AlarmSettingsLookupTest, CameraSubAlarmAppliesOnlyToItsCameras)
{
    Setting(kCameraContact)->Child("SubDetail")->SetInt64(0);
    ConfigNode* sub = AddSubAlarm(kCameraContact, int64_t{1} << 2);
    EXPECT_EQ(Find(kCameraContact, 2), sub);
    EXPECT_EQ(Find(kCameraContact, 5), Setting(kCameraContact));
    // Another type's alarm on the same camera is not touched.
    EXPECT_EQ(Find(kGroupContact, 2), Setting(kGroupContact));
}

TEST_F(AlarmSettingsLookupTest, MainEntryCoveringTheCameraWinsInTheFirstPass)
{
    Setting(kCameraContact)->Child("SubDetail")->SetInt64(int64_t{1} << 2);
    AddSubAlarm(kCameraContact, int64_t{1} << 2);
    EXPECT_EQ(Find(kCameraContact, 2), Setting(kCameraContact));
}

TEST_F(AlarmSettingsLookupTest, SecondPassEndsAtAnEntryThatIsNoSubAlarm)
{
    Setting(kCameraContact)->Child("SubDetail")->SetInt64(0);
    ConfigNode* plain = AddSubAlarm(kCameraContact, 0);
    plain->Child("SubType")->SetInt(0);
    AddSubAlarm(kCameraContact, int64_t{1} << 2);
    EXPECT_EQ(Find(kCameraContact, 2), Setting(kCameraContact));
}

TEST_F(AlarmSettingsLookupTest, CameraBit31IsSignExtended)
{
    EXPECT_EQ(CameraBit(0), 1);
    EXPECT_EQ(CameraBit(2), 4);
    EXPECT_EQ(CameraBit(30), int64_t{1} << 30);
    EXPECT_EQ(CameraBit(31), static_cast<int64_t>(0xFFFFFFFF80000000ULL));
    EXPECT_EQ(CameraBit(33), 2); // only the low five bits count
    EXPECT_EQ(CameraBit(-1), CameraBit(31));

    Setting(kCameraContact)->Child("SubDetail")->SetInt64(0);
    ConfigNode* high = AddSubAlarm(kCameraContact, int64_t{1} << 40);
    EXPECT_EQ(Find(kCameraContact, 31), high);
    EXPECT_EQ(Find(kCameraContact, 63), high);
    EXPECT_EQ(Find(kCameraContact, 8), Setting(kCameraContact));
}

TEST_F(AlarmSettingsLookupTest, RecorderListWithoutTheTypeFallsBackToTheDefaults)
{
    SettingsList()->RemoveChild(Setting(kGroupContact));
    EXPECT_EQ(Find(kGroupContact, 0)->Parent(), Defaults());
}

TEST_F(AlarmSettingsLookupTest, TypeWithoutAnyEntryFindsNothing)
{
    EXPECT_EQ(Find(10007, 0), nullptr);
    EXPECT_FALSE(LookupAlarmSettings(*tree, 10007, 0, kRecorderIp));
    std::optional<AlarmSettings> values =
        LookupAlarmSettings(*tree, kCameraContact, 0, kRecorderIp);
    ASSERT_TRUE(values);
    EXPECT_EQ(values->type, kCameraContact);
    EXPECT_EQ(values->priority, 3);
    EXPECT_EQ(values->subType, 24);
    EXPECT_EQ(values->showTrack, 1);
}

TEST_F(AlarmSettingsLookupTest, RecorderAddedByHandGetsTheFullDefaultList)
{
    ConfigNode* halle = AddRecorder("10.0.0.2", "Halle");
    EXPECT_EQ(halle->Child("AlarmSettings")->ChildCount(), 0);
    CompleteRecorderSettings(*tree);
    ConfigNode* list = halle->Child("AlarmSettings");
    ASSERT_EQ(list->ChildCount(), static_cast<int>(CatalogueOrder().size()));
    for (size_t i = 0; i < CatalogueOrder().size(); ++i) {
        ConfigNode* entry = list->ChildAt(static_cast<int>(i));
        ConfigNode* defaults = Defaults()->FindEntryByInt("Type", CatalogueOrder()[i]);
        EXPECT_EQ(entry->Child("Type")->GetInt(), CatalogueOrder()[i]);
        EXPECT_EQ(entry->Child("Priority")->GetInt(), defaults->Child("Priority")->GetInt());
        EXPECT_EQ(entry->Child("Message")->GetString(), defaults->Child("Message")->GetString());
        EXPECT_EQ(entry->Child("ShowAlarmWindow")->GetInt(), 1);
        EXPECT_EQ(entry->Child("SubDetail")->GetInt64(), -1);
        // Numbered after the 39 main entries of the first recorder.
        EXPECT_EQ(entry->Child("SubID")->GetInt(), static_cast<int>(39 + i));
    }
    EXPECT_EQ(NextSubId(), 79);
}

TEST_F(AlarmSettingsLookupTest, CompletionKeepsValuesAndSubAlarms)
{
    Setting(kCameraContact)->Child("Priority")->SetInt(0);
    Setting(kCameraContact)->Child("SubType")->SetInt(0);
    Setting(kCameraContact)->Child("SubDetail")->SetInt64(3);
    ConfigNode* sub = AddSubAlarm(kCameraContact, 4);
    sub->Child("SubID")->SetInt(41);
    tree->TopFolder("Runtime")
        ->Child("GUI")
        ->Child("CPropPageRecorderAlarmSettings")
        ->Child("iNextIDForSubID")
        ->SetInt(100);

    CompleteRecorderSettings(*tree);
    EXPECT_EQ(SettingsList()->ChildCount(), 40);
    EXPECT_EQ(Setting(kCameraContact)->Child("Priority")->GetInt(), 0);
    EXPECT_EQ(Setting(kCameraContact)->Child("SubType")->GetInt(), 24);
    // Two entries of the type: the main entry keeps its mask.
    EXPECT_EQ(Setting(kCameraContact)->Child("SubDetail")->GetInt64(), 3);
    EXPECT_EQ(Setting(kCameraContact)->Child("SubID")->GetInt(), 5);
    EXPECT_EQ(sub->Child("SubID")->GetInt(), 41);
    EXPECT_EQ(sub->Child("SubDetail")->GetInt64(), 4);
    EXPECT_EQ(NextSubId(), 100);
}

// The lookups keep indexes; each edit, made after a first lookup and without
// any notification pass, must be seen by the next one.
TEST_F(AlarmSettingsLookupTest, LookupsFollowEveryChangeOfTheConfiguration)
{
    using Edit = std::function<void()>;
    auto recorder = [this] { return SettingsList()->Parent(); };
    struct Case {
        const char* what;
        Edit edit;
        const char* ip;     // looked up with Hybrid 0
        bool knownAfter;    // the recorder is found
        bool ownEntryAfter; // type kCameraContact, camera 2: the recorder's own entry
    };
    const Case cases[] = {
        {"IP changed", [&] { recorder()->Child("IP")->SetString("10.0.0.9"); }, kRecorderIp, false,
         false},
        {"IP changed to it", [&] { recorder()->Child("IP")->SetString("10.0.0.9"); }, "10.0.0.9",
         true, true},
        {"Hybrid set", [&] { recorder()->Child("Hybrid")->SetInt(1); }, kRecorderIp, false, false},
        {"entry removed", [&] { recorder()->Parent()->RemoveChild(recorder()); }, kRecorderIp,
         false, false},
        {"list emptied", [&] { recorder()->Parent()->RemoveAllChildren(); }, kRecorderIp, false,
         false},
        {"settings removed", [&] { SettingsList()->RemoveChild(Setting(kCameraContact)); },
         kRecorderIp, true, false},
        {"type changed", [&] { Setting(kCameraContact)->Child("Type")->SetInt(kGroupContact); },
         kRecorderIp, true, false},
        {"priority changed",
         [&] {
             ConfigNode* priority = Setting(kCameraContact)->Child("Priority");
             priority->SetInt(priority->GetInt() + 1);
         },
         kRecorderIp, true, true},
        {"unchanged", [] {}, kRecorderIp, true, true},
    };
    ConfigNode* program = tree->TopFolder("Program");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tree->Snapshot(program);
        EXPECT_NE(FindRecorderEntry(*tree, kRecorderIp, 0), nullptr);
        EXPECT_EQ(Find(kCameraContact, 2), Setting(kCameraContact));
        EXPECT_EQ(Find(kCameraContact, 2, "10.0.0.9")->Parent(), Defaults());
        EXPECT_TRUE(LookupAlarmSettings(*tree, kCameraContact, 2, kRecorderIp).has_value());
        c.edit();
        ConfigNode* found = FindRecorderEntry(*tree, c.ip, 0);
        EXPECT_EQ(found != nullptr, c.knownAfter);
        ConfigNode* entry = Find(kCameraContact, 2, c.ip);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->Parent() != Defaults(), c.ownEntryAfter);
        // The values read follow as well.
        std::optional<AlarmSettings> values = LookupAlarmSettings(*tree, kCameraContact, 2, c.ip);
        ASSERT_TRUE(values.has_value());
        EXPECT_EQ(values->priority, entry->Child("Priority")->GetInt());
        EXPECT_EQ(values->type, entry->Child("Type")->GetInt());
        tree->Restore(program);
    }
}
