// The recorder page's logic on a real tree: lookups by name and address with
// the Hybrid flag, the address page's checks, cells, icons and widths,
// deleting with the filter clean-up, the import from the live-view program's
// shared list, copying alarm settings to all recorders, and the sheet's
// new and edit sessions with their cancel.
#include "station/RecorderListPage.h"

#include "RecorderTestTree.h"
#include "liveview-sim/LiveViewPeer.h"
#include "station/RecorderAddressCheck.h"
#include "station/RecorderQueries.h"
#include "station/RecorderSheetSession.h"

#include <gtest/gtest.h>

namespace {

class RecorderPageTest : public ::testing::Test {
protected:
    std::unique_ptr<ConfigTree> tree = MakeRecorderTree();
    FakePrompt prompt;
    ShmPrefix shm;
    RecorderListPage page{*tree, prompt, shm.Get()};

    int DefaultCount() const
    {
        return tree->TopFolder("Program")->Child("DefaultAlarmSettings")->ChildCount();
    }
};

} // namespace

TEST_F(RecorderPageTest, LookupsPairNameOrAddressWithTheHybridFlag)
{
    AddRecorder(*tree, "Tor", "10.0.0.1");
    AddRecorder(*tree, "Lager", "10.0.0.2", 1);

    EXPECT_EQ(FindRecorderAddress(*tree, "Tor", 0), "10.0.0.1");
    EXPECT_EQ(FindRecorderAddress(*tree, "Tor", 1), std::nullopt);
    EXPECT_EQ(FindRecorderAddress(*tree, "Lager", 1), "10.0.0.2");
    EXPECT_TRUE(HasRecorderNamed(*tree, "Tor", 0));
    EXPECT_FALSE(HasRecorderNamed(*tree, "tor", 0)); // byte for byte
    EXPECT_FALSE(HasRecorderNamed(*tree, "Lager", 0));
    EXPECT_TRUE(HasRecorderAt(*tree, "10.0.0.2", 1));
    EXPECT_FALSE(HasRecorderAt(*tree, "10.0.0.2", 0));
    EXPECT_FALSE(HasOtherRecorderAt(*tree, "10.0.0.1", 0, "Tor"));
    EXPECT_TRUE(HasOtherRecorderAt(*tree, "10.0.0.1", 0, "Pforte"));
}

TEST_F(RecorderPageTest, CellsAndIconsComeFromTheTree)
{
    ConfigNode* tor = AddRecorder(*tree, "Tor", "10.0.0.1");
    ConfigNode* lager = AddRecorder(*tree, "Lager", "10.0.0.2");
    AddRecorder(*tree, "Hof", "10.0.0.3")->Child("iSignalState")->SetInt(2);
    tor->Child("iSignalState")->SetInt(1);
    lager->Child("iSignalState")->SetInt(-1);

    ASSERT_EQ(page.RowCount(), 3);
    EXPECT_EQ(page.Cell(0, 0), "Tor");
    EXPECT_EQ(page.Cell(1, 1), "10.0.0.2");
    EXPECT_EQ(page.Cell(1, 2), "Standard");
    lager->Child("Hybrid")->SetInt(1);
    EXPECT_EQ(page.Cell(1, 2), "Hybridrekorder");
    EXPECT_EQ(page.Cell(1, 3), "Karenzzeit der Startoption");
    lager->Child("iReportingTime")->SetInt(180);
    EXPECT_EQ(page.Cell(1, 3), "3 min");
    lager->Child("iReportingTime")->SetInt(45);
    EXPECT_EQ(page.Cell(1, 3), "45 s");
    EXPECT_EQ(page.IconAt(0), SignalIcon::Present);
    EXPECT_EQ(page.IconAt(1), SignalIcon::Missing);
    EXPECT_EQ(page.IconAt(2), SignalIcon::None);
    EXPECT_EQ(page.Cell(3, 0), "");
    EXPECT_EQ(page.IconAt(-1), SignalIcon::None);

    lager->Child("Name")->SetString("Lager Ost");
    EXPECT_EQ(page.Cell(1, 0), "Lager Ost"); // nothing cached
}

TEST_F(RecorderPageTest, AnEmptyListHasNoRowForTheButtons)
{
    EXPECT_EQ(page.RowCount(), 0);
    EXPECT_FALSE(page.HasRow(-1));
    EXPECT_FALSE(page.HasRow(0));
    EXPECT_FALSE(page.DeleteRecorder(0));
    EXPECT_FALSE(page.DeleteRecorder(-1));
}

TEST_F(RecorderPageTest, ColumnWidthsStartAtTheDefaultsAndAreKept)
{
    EXPECT_EQ(page.ColumnWidths(), (std::array<int, 4>{100, 100, 0, 180}));
    page.StoreColumnWidths({150, 90, 40, 120});
    ConfigNode* widths =
        tree->TopFolder("Runtime")->Child("GUI")->Child("PropPageRecorder")->Child("ColumnWidths");
    EXPECT_EQ(widths->Child("ColHeadName")->GetInt(), 150);
    EXPECT_EQ(widths->Child("ColHeadIP")->GetInt(), 90);
    EXPECT_EQ(widths->Child("ColHeadConnectionType")->GetInt(), 40);
    EXPECT_EQ(widths->Child("ColHeadReportingTime")->GetInt(), 120);
    EXPECT_EQ(widths->Child("ColHeadAliveState")->GetInt(), 30);
    EXPECT_EQ(RecorderListPage(*tree, prompt).ColumnWidths(),
              (std::array<int, 4>{150, 90, 40, 120}));
}

TEST_F(RecorderPageTest, DeletingARecorderRemovesItFromEveryFilter)
{
    AddRecorder(*tree, "Tor", "10.0.0.1");
    AddRecorder(*tree, "Lager", "10.0.0.2");
    ConfigNode* first = AddFilter(*tree, {"Lager", "Tor", "Lager"});
    ConfigNode* second = AddFilter(*tree, {"Tor"});
    ConfigNode* third = AddFilter(*tree, {});

    ASSERT_TRUE(page.DeleteRecorder(1));
    EXPECT_EQ(page.RowCount(), 1);
    EXPECT_EQ(page.Cell(0, 0), "Tor");
    EXPECT_EQ(FilterNames(first), std::vector<std::string>{"Tor"});
    EXPECT_EQ(FilterNames(second), std::vector<std::string>{"Tor"});
    EXPECT_TRUE(FilterNames(third).empty());
    EXPECT_TRUE(prompt.shown.empty()); // no question
}

TEST_F(RecorderPageTest, ImportingAHybridNameCutsItAtTheMark)
{
    LiveViewPeer peer(shm.Get(), 1);
    ASSERT_TRUE(peer.PublishRecorderList({{"Lager$$Nord", "10.0.0.2", {"Tor auf"}, 0, 0}}));

    EXPECT_EQ(page.ImportFromLiveView(), 1);
    ASSERT_EQ(page.RowCount(), 1);
    ConfigNode* entry = Recorders(*tree)->ChildAt(0);
    EXPECT_EQ(entry->Child("Name")->GetString(), "Lager");
    EXPECT_EQ(entry->Child("IP")->GetString(), "10.0.0.2");
    EXPECT_EQ(entry->Child("Hybrid")->GetInt(), 1);
    EXPECT_EQ(entry->Child("Password")->GetString(), "");
    EXPECT_EQ(entry->Child("AlarmSettings")->ChildCount(), DefaultCount());
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, "1/1 Rekordern aus Kavex uebernommen.");
}

TEST_F(RecorderPageTest, AnAddressOfAHybridRecorderStillImports)
{
    AddRecorder(*tree, "Lager", "10.0.0.2", 1);
    LiveViewPeer peer(shm.Get(), 1);
    ASSERT_TRUE(peer.PublishRecorderList({{"Halle", "10.0.0.2", {}, 0, 0}}));

    EXPECT_EQ(page.ImportFromLiveView(), 1);
    ASSERT_EQ(page.RowCount(), 2);
    EXPECT_EQ(page.Cell(1, 0), "Halle");
    EXPECT_EQ(Recorders(*tree)->ChildAt(1)->Child("Hybrid")->GetInt(), 0);
}

TEST_F(RecorderPageTest, KnownNamesAndAddressesAreNotImportedAgain)
{
    AddRecorder(*tree, "Tor", "10.0.0.1");
    LiveViewPeer peer(shm.Get(), 1);
    ASSERT_TRUE(peer.PublishRecorderList({{"Tor", "10.0.0.9", {}, 0, 0},
                                          {"Pforte", "10.0.0.1", {}, 0, 0},
                                          {"Hof", "10.0.0.3", {}, 0, 0},
                                          {"Hof", "10.0.0.4", {}, 0, 0},
                                          {"Lager$$Nord", "10.0.0.5", {}, 0, 0}}));

    EXPECT_EQ(page.ImportFromLiveView(), 2);
    EXPECT_EQ(prompt.shown.back().text, "2/5 Rekordern aus Kavex uebernommen.");
    // A second import finds every recorder, the hybrid one by its cut name.
    EXPECT_EQ(page.ImportFromLiveView(), 0);
    EXPECT_EQ(prompt.shown.back().text, "0/5 Rekordern aus Kavex uebernommen.");
    ASSERT_EQ(page.RowCount(), 3);
    EXPECT_EQ(page.Cell(1, 0), "Hof");
    EXPECT_EQ(page.Cell(1, 1), "10.0.0.3");
    EXPECT_EQ(page.Cell(2, 0), "Lager");
}

TEST_F(RecorderPageTest, ImportWithoutTheLiveViewProgramSaysSo)
{
    EXPECT_EQ(page.ImportFromLiveView(), -1);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, "Konnte Verbindung zu Kavex nicht herstellen. Kavex Aktiv?");
    EXPECT_EQ(page.RowCount(), 0);
}

TEST_F(RecorderPageTest, ImportOfAMalformedListChangesNothing)
{
    LiveViewPeer peer(shm.Get(), 1);
    const uint8_t bytes[] = {2, 0, 0, 0, 1, 0, 0, 0, 'A', 0, 'B', 0, 0};
    ASSERT_TRUE(peer.PublishRawRecorderList(bytes));
    EXPECT_EQ(page.ImportFromLiveView(), -1);
    EXPECT_EQ(page.RowCount(), 0);
}

TEST_F(RecorderPageTest, CopyingSettingsAsksFirst)
{
    ConfigNode* tor = AddRecorder(*tree, "Tor", "10.0.0.1");
    ConfigNode* lager = AddRecorder(*tree, "Lager", "10.0.0.2");
    FirstOfType(*tor, 10005)->Child("Priority")->SetInt(0);
    std::vector<uint8_t> before = ImageOf(*lager);

    prompt.SetNextAnswer(PromptAnswer::No);
    EXPECT_FALSE(page.CopySettingsToAll(0));
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text,
              "Die Einstellungen des ausgewaehlten Rekorders auf alle anderen uebertragen?\n"
              "Diese Aktion wird sofort ausgefuehrt und kann nicht rueckgaengig gemacht werden!");
    EXPECT_EQ(prompt.shown[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(ImageOf(*lager), before);
}

TEST_F(RecorderPageTest, CopiedSettingsReplaceThoseOfEveryOtherRecorder)
{
    ConfigNode* tor = AddRecorder(*tree, "Tor", "10.0.0.1");
    ConfigNode* lager = AddRecorder(*tree, "Lager", "10.0.0.2");
    ConfigNode* hof = AddRecorder(*tree, "Hof", "10.0.0.3");
    FirstOfType(*lager, 10005)->Child("Priority")->SetInt(0);
    FirstOfType(*lager, 10005)->Child("Message")->SetString("Einbruch");
    // A sub-alarm the others do not have.
    ConfigNode* sub = lager->Child("AlarmSettings")->NewEntry(39);
    sub->Child("Type")->SetInt(10005);
    sub->Child("SubName")->SetString("Kamerakontakt_1");
    FirstOfType(*hof, 10000)->Child("Title")->SetString("Platte");
    std::vector<uint8_t> source = ImageOf(*lager->Child("AlarmSettings"));

    EXPECT_TRUE(page.CopySettingsToAll(1));
    EXPECT_EQ(prompt.shown.back().text, "Einstellungen erfolgreich kopiert.");
    EXPECT_EQ(ImageOf(*tor->Child("AlarmSettings")), source);
    EXPECT_EQ(ImageOf(*hof->Child("AlarmSettings")), source);
    EXPECT_EQ(ImageOf(*lager->Child("AlarmSettings")), source);
    EXPECT_EQ(tor->Child("Name")->GetString(), "Tor");

    // Entries the source does not have go.
    ConfigNode* extra = hof->Child("AlarmSettings")->NewEntry(40);
    extra->Child("Type")->SetInt(10015);
    EXPECT_TRUE(page.CopySettingsToAll(0));
    EXPECT_EQ(ImageOf(*hof->Child("AlarmSettings")), source);
}

TEST_F(RecorderPageTest, CopyingFromARecorderThatIsGoneReportsAnError)
{
    AddRecorder(*tree, "Tor", "10.0.0.1");
    EXPECT_FALSE(page.CopySettingsToAll(5));
    EXPECT_EQ(prompt.shown.back().text, "Fehler beim Kopieren der Einstellungen!");
}

TEST_F(RecorderPageTest, NewRecorderSessionAppendsAndCommitOrCancel)
{
    AddRecorder(*tree, "Tor", "10.0.0.1");
    {
        RecorderSheetSession session(*tree, SheetMode::New);
        ASSERT_TRUE(session.IsValid());
        // The new recorder joins the list only at Commit.
        EXPECT_EQ(page.RowCount(), 1);
        EXPECT_EQ(session.Entry()->Child("AlarmSettings")->ChildCount(), DefaultCount());
        session.Commit({"10.0.0.2", "Lager", 1});
    }
    ASSERT_EQ(page.RowCount(), 2);
    EXPECT_EQ(page.Cell(1, 0), "Lager");
    EXPECT_EQ(Recorders(*tree)->ChildAt(1)->Child("Hybrid")->GetInt(), 1);

    std::vector<uint8_t> before = ImageOf(*Recorders(*tree));
    {
        RecorderSheetSession session(*tree, SheetMode::New);
        session.Cancel();
    }
    EXPECT_EQ(ImageOf(*Recorders(*tree)), before);
    {
        RecorderSheetSession forgotten(*tree, SheetMode::New);
    }
    EXPECT_EQ(ImageOf(*Recorders(*tree)), before);
}

TEST_F(RecorderPageTest, CancellingAnEditLeavesTheRecorderExactlyAsBefore)
{
    AddRecorder(*tree, "Tor", "10.0.0.1");
    ConfigNode* lager = AddRecorder(*tree, "Lager", "10.0.0.2");
    std::vector<uint8_t> before = ImageOf(*lager);
    {
        RecorderSheetSession session(*tree, SheetMode::Edit, 1);
        ASSERT_TRUE(session.IsValid());
        EXPECT_EQ(session.Original(), (RecorderAddress{"10.0.0.2", "Lager", 0}));
        ConfigNode* settings = session.Entry()->Child("AlarmSettings");
        FirstOfType(*session.Entry(), 10005)->Child("Priority")->SetInt(0);
        settings->NewEntry(settings->ChildCount())->Child("Type")->SetInt(10005);
        settings->RemoveChildAt(3);
        session.Entry()->Child("Name")->SetString("Halle");
        // Nothing of it reaches the list while the sheet is open.
        EXPECT_EQ(ImageOf(*lager), before);
        session.Cancel();
    }
    EXPECT_EQ(ImageOf(*Recorders(*tree)->ChildAt(1)), before);
}

TEST_F(RecorderPageTest, EndingAnEditKeepsWhatTheSupervisionWroteMeanwhile)
{
    for (bool commit : {false, true}) {
        ConfigNode* tor = AddRecorder(*tree, "Tor", "10.0.0.1");
        tor->Child("iNextSignal")->SetInt64(1000);
        tor->Child("iSignalState")->SetInt(1);
        {
            RecorderSheetSession session(*tree, SheetMode::Edit,
                                         Recorders(*tree)->ChildCount() - 1);
            FirstOfType(*session.Entry(), 10005)->Child("Priority")->SetInt(0);
            // A test message arrives while the sheet is open.
            tor->Child("iLastSignal")->SetInt64(5000);
            tor->Child("iNextSignal")->SetInt64(9000);
            tor->Child("iSignalState")->SetInt(0);
            if (commit)
                session.Commit(session.Original());
            else
                session.Cancel();
        }
        EXPECT_EQ(tor->Child("iLastSignal")->GetInt64(), 5000) << commit;
        EXPECT_EQ(tor->Child("iNextSignal")->GetInt64(), 9000) << commit;
        EXPECT_EQ(tor->Child("iSignalState")->GetInt(), 0) << commit;
        EXPECT_EQ(FirstOfType(*tor, 10005)->Child("Priority")->GetInt() == 0, commit);
    }
}

TEST_F(RecorderPageTest, CommittingAnEditWritesTheAddressPage)
{
    AddRecorder(*tree, "Tor", "10.0.0.1");
    {
        RecorderSheetSession session(*tree, SheetMode::Edit, 0);
        session.Commit({"10.0.0.7", "Pforte", 0});
    }
    EXPECT_EQ(page.Cell(0, 0), "Pforte");
    EXPECT_EQ(page.Cell(0, 1), "10.0.0.7");
    RecorderSheetSession missing(*tree, SheetMode::Edit, 3);
    EXPECT_FALSE(missing.IsValid());
}

TEST_F(RecorderPageTest, NewAddressesAndNamesMustBeUnique)
{
    AddRecorder(*tree, "Tor", "10.0.0.1");
    AddRecorder(*tree, "Lager", "10.0.0.2", 1);
    RecorderAddressCheck check(*tree, prompt, SheetMode::New, "");

    RecorderAddress fields{" 10.0.0.1\t", " Tor ", 0};
    EXPECT_FALSE(check.Check(fields));
    EXPECT_EQ(fields, (RecorderAddress{"10.0.0.1", "Tor", 0}));
    // The address is checked first.
    EXPECT_EQ(prompt.shown.back().text,
              "Es existiert bereits ein Rekorder mit der IP \"10.0.0.1\"!");

    fields = {"10.0.0.9", "Tor", 0};
    EXPECT_FALSE(check.Check(fields));
    EXPECT_EQ(prompt.shown.back().text, "Es existiert bereits ein Rekorder mit dem Namen \"Tor\"!");

    // Addresses compare within the Hybrid value of the box, names always
    // with ordinary recorders.
    fields = {"10.0.0.2", "Lager", 0};
    EXPECT_TRUE(check.Check(fields));
    fields = {"10.0.0.2", "Halle", 1};
    EXPECT_FALSE(check.Check(fields));
    fields = {"10.0.0.1", "Tor", 1};
    EXPECT_FALSE(check.Check(fields));
    EXPECT_EQ(prompt.shown.back().text, "Es existiert bereits ein Rekorder mit dem Namen \"Tor\"!");
    fields = {"10.0.0.1", "Lager", 1};
    EXPECT_TRUE(check.Check(fields));
}

TEST_F(RecorderPageTest, AnEditedRecorderMayKeepItsOwnAddressAndName)
{
    AddRecorder(*tree, "Tor", "10.0.0.1");
    AddRecorder(*tree, "Lager", "10.0.0.2");
    RecorderAddressCheck check(*tree, prompt, SheetMode::Edit, "Tor");

    RecorderAddress fields{"10.0.0.1", "Tor", 0};
    EXPECT_TRUE(check.Check(fields));
    fields = {"10.0.0.2", "Tor", 0};
    EXPECT_FALSE(check.Check(fields));
    EXPECT_EQ(prompt.shown.back().text,
              "Es existiert bereits ein anderer Rekorder mit der IP \"10.0.0.2\"!");
    fields = {"10.0.0.1", "Lager", 0};
    EXPECT_FALSE(check.Check(fields));
    EXPECT_EQ(prompt.shown.back().text,
              "Es existiert bereits ein anderer Rekorder mit dem Namen \"Lager\"!");
    fields = {"10.0.0.3", "Pforte", 0};
    EXPECT_TRUE(check.Check(fields));
}

TEST_F(RecorderPageTest, NamesAndAddressesWithControlBytesAreRefused)
{
    RecorderAddressCheck check(*tree, prompt, SheetMode::New, "");
    for (RecorderAddress fields : {RecorderAddress{"10.0.0.1", "T\x01or", 0},
                                   RecorderAddress{"10.0.0.1", std::string("Tor\0", 4), 0},
                                   RecorderAddress{"10.0.0.1\x7f", "Tor", 0}}) {
        EXPECT_FALSE(check.Check(fields)) << fields.name;
        EXPECT_EQ(prompt.shown.back().text, "Name und IP duerfen keine Steuerzeichen enthalten!");
    }
}

TEST(RecorderAddressCheck, CompleteOnlyWithTextInBothFields)
{
    EXPECT_TRUE(RecorderAddressCheck::IsComplete({"10.0.0.1", "Tor", 0}));
    EXPECT_FALSE(RecorderAddressCheck::IsComplete({"", "Tor", 0}));
    EXPECT_FALSE(RecorderAddressCheck::IsComplete({"10.0.0.1", "", 0}));
    EXPECT_FALSE(RecorderAddressCheck::IsComplete({"10.0.0.1", " \t", 0}));
}
