// The tree image byte for byte, loading it over defaults, corrupt images,
// snapshots, the notification pass and the lock.
#include "config/ConfigTree.h"

#include "config/CachedChildren.h"
#include "config/TreeImage.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/TempDir.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

const char kScript[] = R"(
<FOLDER><NAME>"Program"</NAME>
  <FOLDER><NAME>"RecorderList"</NAME>
    <TEMPLATE><NAME>"TEMPLATE"</NAME>
      <STRING><NAME>"IP"</NAME><CONTENT>"0.0.0.0"</CONTENT></STRING>
      <INTEGER><NAME>"iSignalState"</NAME><CONTENT>0</CONTENT></INTEGER>
      <INTEGER><NAME>"Port"</NAME><CONTENT>30000</CONTENT></INTEGER>
      <FOLDER><NAME>"AlarmSettings"</NAME>
        <TEMPLATE><NAME>"TEMPLATE"</NAME>
          <INTEGER><NAME>"Priority"</NAME><CONTENT>3</CONTENT></INTEGER>
          <STRING><NAME>"Title"</NAME><CONTENT>"Alarm!"</CONTENT></STRING>
        </TEMPLATE>
      </FOLDER>
    </TEMPLATE>
  </FOLDER>
  <INTEGER><NAME>"iVersion"</NAME><CONTENT>0</CONTENT></INTEGER>
  <DOUBLE><NAME>"dScale"</NAME><CONTENT>1.5</CONTENT></DOUBLE>
</FOLDER>
<FOLDER><NAME>"Runtime"</NAME>
  <FOLDER><NAME>"GuardEvent"</NAME>
    <STRING><NAME>"Recorder"</NAME><CONTENT>""</CONTENT></STRING>
    <INT64><NAME>"TimeArrival"</NAME><CONTENT>0</CONTENT></INT64>
    <INTEGER><NAME>"AlarmType"</NAME><CONTENT>0</CONTENT></INTEGER>
  </FOLDER>
</FOLDER>
)";

class ConfigTreeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tree.LoadDefaults(kScript, prompt)); }

    ConfigNode* Recorders() { return tree.TopFolder("Program")->Child("RecorderList"); }
    ConfigNode* Guard() { return tree.TopFolder("Runtime")->Child("GuardEvent"); }

    void AddRecorder(const std::string& ip, int alarmEntries)
    {
        ConfigNode* recorder = Recorders()->NewEntry(0);
        recorder->Child("IP")->SetString(ip);
        for (int i = 0; i < alarmEntries; ++i)
            recorder->Child("AlarmSettings")->NewEntry(0)->Child("Priority")->SetInt(i);
    }

    FakePrompt prompt;
    ConfigTree tree;
    TempDir dir;
};

std::vector<uint8_t> Bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

void PutWord(std::vector<uint8_t>& image, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        image[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

} // namespace

TEST(TreeImageFormat, SmallTreeIsTheDocumentedBytes)
{
    ConfigNode root(NodeKind::Folder, "Root");
    auto a = std::make_unique<ConfigNode>(NodeKind::Folder, "A");
    auto x = std::make_unique<ConfigNode>(NodeKind::Integer, "x");
    x->SetInt(5);
    a->AddChild(std::move(x));
    root.AddChild(std::move(a));

    const uint8_t expected[] = {0x19, 0, 0,    0, 'R', 'o', 'o', 't', 0, 0x10, 0, 0, 0,
                                'A',  0, 0x0A, 0, 0,   0,   'x', 0,   5, 0,    0, 0};
    EXPECT_EQ(TreeImage::Build(root),
              std::vector<uint8_t>(std::begin(expected), std::end(expected)));
}

TEST(TreeImageFormat, ChildrenAreWrittenLastFirstAndTemplatesNot)
{
    ConfigNode root(NodeKind::Folder, "R");
    root.AddChild(std::make_unique<ConfigNode>(NodeKind::Folder, "a"));
    root.AddChild(std::make_unique<ConfigNode>(NodeKind::Folder, "b"));
    root.SetTemplate(std::make_unique<ConfigNode>(NodeKind::Folder, "TEMPLATE"));
    // R(6) + "b"(6) + "a"(6)
    std::vector<uint8_t> image = TreeImage::Build(root);
    ASSERT_EQ(image.size(), 18u);
    EXPECT_EQ(image[10], 'b');
    EXPECT_EQ(image[16], 'a');
}

TEST_F(ConfigTreeTest, SaveAndLoadReproducesValuesAndEntries)
{
    AddRecorder("10.0.0.1", 3);
    AddRecorder("10.0.0.2", 0);
    tree.TopFolder("Program")->Child("iVersion")->SetInt(41000);
    tree.TopFolder("Program")->Child("dScale")->SetDouble(-0.25);
    std::string path = dir.File("programdata.bin");
    ASSERT_EQ(tree.SaveImage(path), 0);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));

    ConfigTree fresh;
    ASSERT_TRUE(fresh.LoadDefaults(kScript, prompt));
    ASSERT_TRUE(fresh.LoadImage(path));
    ConfigNode* recorders = fresh.TopFolder("Program")->Child("RecorderList");
    ASSERT_EQ(recorders->ChildCount(), 2);
    // Sorted again, although the file lists the entries last first.
    EXPECT_EQ(recorders->ChildAt(0)->Name(), "00000000");
    EXPECT_EQ(recorders->ChildAt(0)->Child("IP")->GetString(), "10.0.0.1");
    EXPECT_EQ(recorders->ChildAt(1)->Child("IP")->GetString(), "10.0.0.2");
    ConfigNode* settings = recorders->ChildAt(0)->Child("AlarmSettings");
    ASSERT_EQ(settings->ChildCount(), 3);
    EXPECT_EQ(settings->ChildAt(2)->Child("Priority")->GetInt(), 2);
    EXPECT_EQ(settings->ChildAt(2)->Child("Title")->GetString(), "Alarm!");
    EXPECT_EQ(fresh.TopFolder("Program")->Child("iVersion")->GetInt(), 41000);
    EXPECT_EQ(fresh.TopFolder("Program")->Child("dScale")->GetDouble(), -0.25);
    EXPECT_EQ(TreeImage::Build(*fresh.Root()), TreeImage::Build(*tree.Root()));
}

TEST_F(ConfigTreeTest, MissingEntryIsMadeFromTemplateAndKeepsDefaultsTheImageLacks)
{
    // Root / Program / RecorderList / 00000005 / IP = "1.2.3.4"
    std::string image;
    auto record = [](std::string name, std::string payload) {
        std::string out(4, '\0');
        out += name;
        out += '\0';
        out += payload;
        uint32_t size = static_cast<uint32_t>(out.size());
        for (int i = 0; i < 4; ++i)
            out[i] = static_cast<char>(size >> (8 * i));
        return out;
    };
    image = record(
        "Root",
        record("Program", record("RecorderList",
                                 record("00000005", record("IP", std::string("1.2.3.4\0", 8)) +
                                                        record("Unknown", record("x", "1234"))))));
    std::string path = dir.File("image.bin");
    WriteFileBytes(path, image);
    ASSERT_TRUE(tree.LoadImage(path));
    ConfigNode* entry = Recorders()->Child("00000005");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->Child("IP")->GetString(), "1.2.3.4");
    EXPECT_EQ(entry->Child("Port")->GetInt(), 30000);
    EXPECT_EQ(entry->Child("Unknown"), nullptr);
    EXPECT_EQ(entry->ChildCount(), 4);
}

TEST_F(ConfigTreeTest, LeafValuesAreCopiedWhateverTheirLength)
{
    std::vector<uint8_t> image = TreeImage::Build(*tree.Root());
    // Grow "iVersion" from 4 to 6 bytes by rebuilding with a longer value.
    tree.TopFolder("Program")->Child("iVersion")->SetBytes("\x01\x02\x03\x04\x05\x06", 6);
    image = TreeImage::Build(*tree.Root());
    ConfigTree fresh;
    ASSERT_TRUE(fresh.LoadDefaults(kScript, prompt));
    ASSERT_TRUE(TreeImage::Apply(image, *fresh.Root()));
    EXPECT_EQ(fresh.TopFolder("Program")->Child("iVersion")->Content().size(), 6u);
}

TEST_F(ConfigTreeTest, EmptyFolderRecordClosesImmediately)
{
    // Root { Program {} , Runtime { GuardEvent { AlarmType = 7 } } }
    ConfigNode source(NodeKind::Folder, "Root");
    source.AddChild(std::make_unique<ConfigNode>(NodeKind::Folder, "Program"));
    auto runtime = std::make_unique<ConfigNode>(NodeKind::Folder, "Runtime");
    auto guard = std::make_unique<ConfigNode>(NodeKind::Folder, "GuardEvent");
    auto type = std::make_unique<ConfigNode>(NodeKind::Integer, "AlarmType");
    type->SetInt(7);
    guard->AddChild(std::move(type));
    runtime->AddChild(std::move(guard));
    source.AddChild(std::move(runtime));
    ASSERT_TRUE(TreeImage::Apply(TreeImage::Build(source), *tree.Root()));
    EXPECT_EQ(Guard()->Child("AlarmType")->GetInt(), 7);
    EXPECT_EQ(tree.TopFolder("Program")->Child("iVersion")->GetInt(), 0);
}

TEST_F(ConfigTreeTest, MissingOrEmptyFileLeavesTheDefaults)
{
    EXPECT_FALSE(tree.LoadImage(dir.File("absent.bin")));
    WriteFileBytes(dir.File("empty.bin"), "");
    EXPECT_FALSE(tree.LoadImage(dir.File("empty.bin")));
    WriteFileBytes(dir.File("zero.bin"), std::string(8, '\0'));
    EXPECT_FALSE(tree.LoadImage(dir.File("zero.bin")));
    EXPECT_EQ(Recorders()->Child("00000000"), nullptr);
}

TEST_F(ConfigTreeTest, CorruptImagesChangeNothing)
{
    AddRecorder("10.0.0.9", 2);
    tree.TopFolder("Program")->Child("iVersion")->SetInt(77);
    const std::vector<uint8_t> good = TreeImage::Build(*tree.Root());

    ConfigTree target;
    ASSERT_TRUE(target.LoadDefaults(kScript, prompt));
    const std::vector<uint8_t> before = TreeImage::Build(*target.Root());

    std::vector<std::vector<uint8_t>> bad;
    // Truncated anywhere after the root's header.
    for (size_t cut : {size_t{3}, size_t{9}, size_t{20}, good.size() / 2, good.size() - 1})
        bad.emplace_back(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
    // Root size word larger than the buffer.
    bad.push_back(good);
    PutWord(bad.back(), 0, static_cast<uint32_t>(good.size() + 1));
    // A child record that overruns its parent: "Runtime" is the first child.
    bad.push_back(good);
    PutWord(bad.back(), 9, 0x7FFFFFFF);
    // A record shorter than its header.
    bad.push_back(good);
    PutWord(bad.back(), 9, 3);
    // A name without its NUL: size covers only "Runt".
    bad.push_back(Bytes(std::string("\x11\0\0\0Root\0", 9) + std::string("\x08\0\0\0Runt", 8)));
    // A name with a control byte.
    bad.push_back(Bytes(std::string("\x11\0\0\0Root\0", 9) + std::string("\x08\0\0\0R\x01n\0", 8)));

    for (const auto& image : bad) {
        EXPECT_FALSE(TreeImage::Apply(image, *target.Root())) << image.size();
        EXPECT_EQ(TreeImage::Build(*target.Root()), before);
    }

    // The same through the file: the tree is untouched.
    std::string path = dir.File("programdata.bin");
    std::vector<uint8_t> truncated(good.begin(), good.end() - 7);
    WriteFileBytes(path, std::string(truncated.begin(), truncated.end()));
    EXPECT_FALSE(target.LoadImage(path));
    EXPECT_EQ(TreeImage::Build(*target.Root()), before);
}

TEST_F(ConfigTreeTest, DeepTreesStayWithinTheImageDepthLimits)
{
    // A chain of 45 nested folders, deeper than either limit.
    ConfigNode* node = tree.Root();
    for (int i = 0; i < 45; ++i) {
        node->AddChild(std::make_unique<ConfigNode>(NodeKind::Folder, "d"));
        node = node->Child("d");
    }
    node->AddChild(std::make_unique<ConfigNode>(NodeKind::Integer, "v"));
    node->Child("v")->SetInt(1);

    // Written only down to the write limit, so what is written reads back.
    EXPECT_TRUE(TreeImage::Apply(TreeImage::Build(*tree.Root()), *tree.Root()));

    // A hand-made image nested beyond the read limit is refused whole.
    std::string image("\x0A\0\0\0v\0\x01\0\0\0", 10);
    for (int i = 0; i < 45; ++i) {
        std::string name = i == 44 ? std::string("Root\0", 5) : std::string("d\0", 2);
        uint32_t size = static_cast<uint32_t>(4 + name.size() + image.size());
        std::string word(4, '\0');
        for (int b = 0; b < 4; ++b)
            word[b] = static_cast<char>(size >> (8 * b));
        image = word + name + image;
    }
    std::vector<uint8_t> deep(image.begin(), image.end());
    EXPECT_FALSE(TreeImage::Apply(deep, *tree.Root()));
}

TEST_F(ConfigTreeTest, SaveImageReportsAFolderThatCannotBeWritten)
{
    EXPECT_EQ(tree.SaveImage(dir.File("no/such/folder/programdata.bin")), -1);
}

TEST_F(ConfigTreeTest, SaveImageReplacesTheOldFileWhole)
{
    std::string path = dir.File("programdata.bin");
    AddRecorder("10.0.0.1", 40);
    ASSERT_EQ(tree.SaveImage(path), 0);
    const std::string big = ReadFileBytes(path);
    Recorders()->RemoveAllChildren();
    ASSERT_EQ(tree.SaveImage(path), 0);
    const std::string small = ReadFileBytes(path);
    EXPECT_LT(small.size(), big.size());
    std::vector<uint8_t> expected = TreeImage::Build(*tree.Root());
    EXPECT_EQ(small, std::string(expected.begin(), expected.end()));
}

TEST_F(ConfigTreeTest, SaveImageWritesForTheOwnerOnlyAndKeepsTheOldFileWhenTheImageWouldNotLoad)
{
    std::string path = dir.File("programdata.bin");
    ASSERT_EQ(tree.SaveImage(path), 0);
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    const std::string good = ReadFileBytes(path);
    ConfigNode* program = tree.TopFolder("Program");
    auto folder = std::make_unique<ConfigNode>(NodeKind::Folder, "A");
    folder->AddChild(std::make_unique<ConfigNode>(NodeKind::Integer, "x"));
    program->AddChild(std::move(folder));
    program->AddChild(std::make_unique<ConfigNode>(NodeKind::Integer, "A"));
    EXPECT_EQ(tree.SaveImage(path), -1);
    EXPECT_EQ(ReadFileBytes(path), good);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

TEST_F(ConfigTreeTest, RestoreUndoesAddedAndDeletedEntries)
{
    AddRecorder("10.0.0.1", 1);
    AddRecorder("10.0.0.2", 1);
    tree.Snapshot(Recorders());
    Recorders()->RemoveChild(Recorders()->Child("00000000"));
    AddRecorder("10.0.0.3", 0);
    AddRecorder("10.0.0.4", 0);
    Recorders()->Child("00000001")->Child("IP")->SetString("changed");

    tree.Restore(Recorders());
    ASSERT_EQ(Recorders()->ChildCount(), 2);
    EXPECT_EQ(Recorders()->Child("00000000")->Child("IP")->GetString(), "10.0.0.1");
    EXPECT_EQ(Recorders()->Child("00000001")->Child("IP")->GetString(), "10.0.0.2");
    EXPECT_EQ(Recorders()->Child("00000000")->Child("AlarmSettings")->ChildCount(), 1);
    EXPECT_FALSE(tree.HasSnapshot());
}

TEST_F(ConfigTreeTest, RestoreWithoutSnapshotKeepsTheLists)
{
    AddRecorder("10.0.0.1", 1);
    tree.Restore(Recorders());
    EXPECT_EQ(Recorders()->ChildCount(), 1);
    tree.Snapshot(Recorders());
    tree.Restore(nullptr);
    EXPECT_FALSE(tree.HasSnapshot());
    EXPECT_EQ(Recorders()->ChildCount(), 1);
}

TEST_F(ConfigTreeTest, LockIsRecursive)
{
    ConfigLock outer(tree);
    ConfigLock inner(tree);
    tree.Lock();
    tree.Unlock();
    SUCCEED();
}

TEST_F(ConfigTreeTest, TopFolders)
{
    EXPECT_NE(tree.TopFolder("Program"), nullptr);
    EXPECT_NE(tree.TopFolder("Runtime"), nullptr);
    EXPECT_EQ(tree.TopFolder("program"), nullptr);
    EXPECT_EQ(tree.Root()->Name(), "Root");
    ConfigTree empty;
    EXPECT_EQ(empty.TopFolder("Program"), nullptr);
    EXPECT_EQ(empty.SaveImage(dir.File("x.bin")), -1);
}

// Nodes found by name once: every change of which nodes exist or how they
// are named is followed, a change of content needs no new lookup.
TEST(CachedChildren, FollowEveryChangeOfShape)
{
    auto makeRoot = [] {
        auto root = std::make_unique<ConfigNode>(NodeKind::Folder, "Root");
        auto top = std::make_unique<ConfigNode>(NodeKind::Folder, "Runtime");
        auto folder = std::make_unique<ConfigNode>(NodeKind::Folder, "GuardEvent");
        for (const char* name : {"A", "B"})
            folder->AddChild(std::make_unique<ConfigNode>(NodeKind::Integer, name));
        top->AddChild(std::move(folder));
        root->AddChild(std::move(top));
        return root;
    };
    ConfigTree tree;
    tree.SetRoot(makeRoot());
    auto folder = [&] { return tree.TopFolder("Runtime")->Child("GuardEvent"); };
    CachedChildren cached({"Runtime", "GuardEvent"}, {"A", "B"});
    struct Case {
        const char* what;
        std::function<void()> change;
        bool folderFound;
        bool aFound;
    };
    const Case cases[] = {
        {"value set", [&] { folder()->Child("A")->SetInt(7); }, true, true},
        {"child removed", [&] { folder()->RemoveChild(folder()->Child("A")); }, true, false},
        {"child added again",
         [&] { folder()->AddChild(std::make_unique<ConfigNode>(NodeKind::Integer, "A")); }, true,
         true},
        {"child renamed", [&] { folder()->Child("A")->SetName("C"); }, true, false},
        {"folder emptied", [&] { folder()->RemoveAllChildren(); }, true, false},
        {"root replaced", [&] { tree.SetRoot(makeRoot()); }, true, true},
        {"folder removed", [&] { tree.TopFolder("Runtime")->RemoveChild(folder()); }, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cached.Folder(tree);
        c.change();
        ConfigNode* found = cached.Folder(tree);
        ConfigNode* expected = tree.TopFolder("Runtime")->Child("GuardEvent");
        EXPECT_EQ(found, expected);
        EXPECT_EQ(found != nullptr, c.folderFound);
        EXPECT_EQ(cached.At(0), expected == nullptr ? nullptr : expected->Child("A"));
        EXPECT_EQ(cached.At(0) != nullptr, c.aFound);
        EXPECT_EQ(cached.At(1), expected == nullptr ? nullptr : expected->Child("B"));
    }
}
