// Node operations of the configuration tree: ordering, lookup, lists and
// their templates, typed content and change marking.
#include "config/ConfigNode.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::unique_ptr<ConfigNode> Folder(std::string name)
{
    return std::make_unique<ConfigNode>(NodeKind::Folder, std::move(name));
}

std::unique_ptr<ConfigNode> IntLeaf(std::string name, int32_t value)
{
    auto node = std::make_unique<ConfigNode>(NodeKind::Integer, std::move(name));
    node->SetInt(value);
    return node;
}

std::vector<std::string> ChildNames(const ConfigNode& node)
{
    std::vector<std::string> names;
    for (int i = 0; i < node.ChildCount(); ++i)
        names.push_back(node.ChildAt(i)->Name());
    return names;
}

// A list folder whose template holds Name = "" and Port = 30000.
std::unique_ptr<ConfigNode> MakeList()
{
    auto list = Folder("List");
    auto templ = Folder("TEMPLATE");
    auto name = std::make_unique<ConfigNode>(NodeKind::String, "Name");
    name->SetString("");
    templ->AddChild(std::move(name));
    templ->AddChild(IntLeaf("Port", 30000));
    list->SetTemplate(std::move(templ));
    return list;
}

} // namespace

TEST(ConfigNodeOrder, ChildrenSortByUnsignedBytes)
{
    auto folder = Folder("F");
    folder->AddChild(Folder("b"));
    folder->AddChild(Folder("B"));
    folder->AddChild(Folder("a"));
    EXPECT_EQ(ChildNames(*folder), (std::vector<std::string>{"B", "a", "b"}));

    folder->AddChild(Folder("iBupInterval"));
    folder->AddChild(Folder("SndPrio5"));
    folder->AddChild(Folder("\xC3\xA4")); // UTF-8 above every ASCII name
    EXPECT_EQ(ChildNames(*folder),
              (std::vector<std::string>{"B", "SndPrio5", "a", "b", "iBupInterval", "\xC3\xA4"}));
}

TEST(ConfigNodeOrder, DuplicatesAreKeptAfterTheirEquals)
{
    auto folder = Folder("F");
    folder->AddChild(IntLeaf("x", 1));
    folder->AddChild(IntLeaf("y", 9));
    folder->AddChild(IntLeaf("x", 2));
    ASSERT_EQ(folder->ChildCount(), 3);
    EXPECT_EQ(folder->ChildAt(0)->GetInt(), 1);
    EXPECT_EQ(folder->ChildAt(1)->GetInt(), 2);
    EXPECT_EQ(folder->Child("x")->GetInt(), 1);

    // Handing the second "x" still removes the first one.
    EXPECT_TRUE(folder->RemoveChild(folder->ChildAt(1)));
    ASSERT_EQ(folder->ChildCount(), 2);
    EXPECT_EQ(folder->Child("x")->GetInt(), 2);
}

TEST(ConfigNodeOrder, RenamedChildIsStillFoundAndInsertsFollowTheScan)
{
    auto folder = Folder("F");
    folder->AddChild(IntLeaf("a", 1));
    folder->AddChild(IntLeaf("m", 2));
    folder->AddChild(IntLeaf("z", 3));
    folder->ChildAt(0)->SetName("q"); // order is now q, m, z
    EXPECT_EQ(folder->Child("q")->GetInt(), 1);
    EXPECT_EQ(folder->Child("m")->GetInt(), 2);
    EXPECT_EQ(folder->Child("a"), nullptr);
    // Inserted before the first child that compares greater: "q".
    folder->AddChild(IntLeaf("c", 4));
    EXPECT_EQ(ChildNames(*folder), (std::vector<std::string>{"c", "q", "m", "z"}));
}

TEST(ConfigNodeLookup, IndexAndNameOutOfRange)
{
    auto folder = Folder("F");
    folder->AddChild(IntLeaf("a", 1));
    EXPECT_EQ(folder->ChildAt(-1), nullptr);
    EXPECT_EQ(folder->ChildAt(1), nullptr);
    EXPECT_EQ(folder->Child("A"), nullptr);
    EXPECT_FALSE(folder->RemoveChildAt(1));
    EXPECT_FALSE(folder->RemoveChildAt(-1));
    auto stranger = IntLeaf("nope", 0);
    EXPECT_FALSE(folder->RemoveChild(stranger.get()));
    EXPECT_TRUE(folder->RemoveChildAt(0));
    EXPECT_EQ(folder->ChildCount(), 0);
}

TEST(ConfigNodeLists, NewEntryTakesTheLowestFreeNumber)
{
    auto list = MakeList();
    EXPECT_EQ(list->NewEntry(0)->Name(), "00000000");
    EXPECT_EQ(list->NewEntry(0)->Name(), "00000001");
    EXPECT_EQ(list->NewEntry(0)->Name(), "00000002");
    list->RemoveChild(list->Child("00000001"));
    EXPECT_EQ(list->NewEntry(0)->Name(), "00000001");
    EXPECT_EQ(list->NewEntry(7)->Name(), "00000007");
    EXPECT_EQ(ChildNames(*list),
              (std::vector<std::string>{"00000000", "00000001", "00000002", "00000007"}));
}

TEST(ConfigNodeLists, EntryIsADeepCopyOfTheTemplate)
{
    auto list = MakeList();
    ConfigNode* entry = list->NewEntry(0);
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->IsFolder());
    EXPECT_EQ(entry->Parent(), list.get());
    EXPECT_EQ(entry->Child("Port")->GetInt(), 30000);
    EXPECT_EQ(entry->Child("Port")->Kind(), NodeKind::Integer);
    EXPECT_EQ(entry->Child("Name")->Content().size(), 1u);

    entry->Child("Port")->SetInt(1);
    EXPECT_EQ(list->Template()->Child("Port")->GetInt(), 30000);
}

TEST(ConfigNodeLists, NestedTemplatesAreCopiedAsTemplates)
{
    auto recorders = Folder("RecorderList");
    auto recorderTemplate = Folder("TEMPLATE");
    auto settings = Folder("AlarmSettings");
    auto settingsTemplate = Folder("TEMPLATE");
    settingsTemplate->AddChild(IntLeaf("Priority", 3));
    settings->SetTemplate(std::move(settingsTemplate));
    recorderTemplate->AddChild(std::move(settings));
    recorders->SetTemplate(std::move(recorderTemplate));

    ConfigNode* recorder = recorders->NewEntry(0);
    ConfigNode* list = recorder->Child("AlarmSettings");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->ChildCount(), 0);
    ASSERT_NE(list->Template(), nullptr);
    EXPECT_NE(list->Template(), recorders->Template()->Child("AlarmSettings")->Template());
    EXPECT_EQ(list->NewEntry(0)->Child("Priority")->GetInt(), 3);
}

TEST(ConfigNodeLists, ChildOrNewEntryWithoutTemplateChangesNothing)
{
    auto folder = Folder("F");
    folder->AddChild(IntLeaf("a", 1));
    EXPECT_EQ(folder->ChildOrNewEntry("b"), nullptr);
    EXPECT_EQ(folder->ChildCount(), 1);
    EXPECT_EQ(folder->ChildOrNewEntry("a")->GetInt(), 1);
}

TEST(ConfigNodeLists, FindEntriesByValue)
{
    auto list = MakeList();
    for (int i = 0; i < 4; ++i) {
        ConfigNode* entry = list->NewEntry(0);
        entry->Child("Name")->SetString(i == 2 ? "Lager" : "Tor");
        entry->Child("Port")->SetInt(i % 2);
    }
    EXPECT_EQ(list->FindEntryByString("Name", "Lager")->Name(), "00000002");
    EXPECT_EQ(list->FindEntryByString("Name", "lager"), nullptr);
    EXPECT_EQ(list->FindEntryByString("Missing", "Lager"), nullptr);
    EXPECT_EQ(list->FindEntryByInt("Port", 1)->Name(), "00000001");
    EXPECT_EQ(list->FindNthEntryByInt("Port", 1, 1)->Name(), "00000003");
    EXPECT_EQ(list->FindNthEntryByInt("Port", 1, 2), nullptr);
    EXPECT_EQ(list->FindEntryByInt("Port", 5), nullptr);
}

TEST(ConfigNodeLists, ClearListsEmptiesOnlyListFolders)
{
    auto root = Folder("Root");
    root->AddChild(IntLeaf("keep", 1));
    auto inner = Folder("Inner");
    inner->AddChild(MakeList());
    root->AddChild(std::move(inner));
    ConfigNode* list = root->Child("Inner")->Child("List");
    list->NewEntry(0);
    list->NewEntry(0);
    root->ClearLists();
    EXPECT_EQ(list->ChildCount(), 0);
    EXPECT_NE(list->Template(), nullptr);
    EXPECT_EQ(root->Child("keep")->GetInt(), 1);
}

TEST(ConfigNodeContent, TypedValuesAreLittleEndianBytes)
{
    ConfigNode node(NodeKind::Int64, "v");
    node.SetInt64(4294967298); // high half 1, low half 2
    EXPECT_EQ(node.GetInt(), 2);
    EXPECT_EQ(node.GetInt64(), 4294967298);

    node.SetInt(-1);
    ASSERT_EQ(node.Content().size(), 4u);
    for (uint8_t b : node.Content())
        EXPECT_EQ(b, 0xFF);

    node.SetDouble(2.5);
    EXPECT_EQ(node.GetDouble(), 2.5);

    node.SetString("Lager");
    EXPECT_EQ(node.Content().size(), 6u);
    EXPECT_EQ(node.GetString(), "Lager");
}

TEST(ConfigNodeContent, ShortContentReadsAsZeroPadded)
{
    ConfigNode node(NodeKind::Raw, "v");
    EXPECT_EQ(node.GetInt(), 0);
    EXPECT_EQ(node.GetInt64(), 0);
    EXPECT_EQ(node.GetString(), "");
    uint8_t two[] = {0x34, 0x12};
    node.SetBytes(two, sizeof two);
    EXPECT_EQ(node.GetInt(), 0x1234);
    EXPECT_EQ(node.GetInt64(), 0x1234);
    uint8_t text[] = {'a', 'b'}; // no terminating NUL
    node.SetBytes(text, sizeof text);
    EXPECT_EQ(node.GetString(), "ab");
}

// Short contents live in the node, longer ones are shared by its copies
// until one of them is written.
TEST(ConfigNodeContent, CopiesKeepTheirOwnContentWhateverItsLength)
{
    for (size_t length : {0u, 7u, 8u, 9u, 300u}) {
        SCOPED_TRACE(length);
        std::string text(length, 'x');
        auto list = Folder("L");
        auto templ = Folder("TEMPLATE");
        templ->AddChild(std::make_unique<ConfigNode>(NodeKind::String, "v"));
        templ->Child("v")->SetString(text);
        list->SetTemplate(std::move(templ));
        ConfigNode* original = list->Template()->Child("v");
        ConfigNode* copied = list->NewEntry(0)->Child("v");
        ConfigNode leaf(NodeKind::String, "v");
        leaf.SetContentOf(*original);
        for (ConfigNode* copy : {copied, &leaf})
            EXPECT_EQ(copy->GetString(), text);

        original->SetString("neu");
        copied->SetString("eigen");
        EXPECT_EQ(leaf.GetString(), text);
        EXPECT_EQ(original->GetString(), "neu");
        EXPECT_EQ(copied->GetString(), "eigen");
    }
}

TEST(ConfigNodeContent, AFolderKeepsItsContentWhenItGetsChildren)
{
    auto folder = Folder("F");
    folder->SetString("Inhalt");
    folder->AddChild(IntLeaf("x", 1));
    EXPECT_EQ(folder->GetString(), "Inhalt");
    EXPECT_EQ(folder->Child("x")->GetInt(), 1);
}
