// The recorder and preset lists of the live-view program: parsing with every
// bound checked, and reading them from shared memory while the live-view side
// holds them, after it left, and when they are missing.
#include "LinksTestSupport.h"
#include "links/CKXSHMPresetList.h"
#include "links/LittleEndian.h"
#include "links/SharedRecorderList.h"
#include "liveview-sim/LiveViewPeer.h"

#include <climits>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

std::string Header(int32_t version, int32_t count)
{
    std::string bytes(8, '\0');
    StoreI32(reinterpret_cast<uint8_t*>(bytes.data()), version);
    StoreI32(reinterpret_cast<uint8_t*>(bytes.data()) + 4, count);
    return bytes;
}

std::string PresetHeader(int32_t version, int8_t count)
{
    std::string bytes(8, '\0');
    StoreI32(reinterpret_cast<uint8_t*>(bytes.data()), version);
    bytes[4] = static_cast<char>(count);
    return bytes;
}

bool ParseRecorders(const std::string& text, std::vector<SharedRecorder>& recorders)
{
    return SharedRecorderList::Parse(Bytes(text), recorders);
}

bool ParsePresets(const std::string& text, std::vector<std::string>& names)
{
    return CKXSHMPresetList::Parse(Bytes(text), names);
}

using namespace std::string_literals;

TEST(RecorderListParse, RecordsWithPresetsAndNumberItems)
{
    std::string list = Header(1, 2) + "Tor\0"s + "192.168.1.20\0"s + "Einfahrt\0"s +
                       "##16777217\0"s + "Schranke\0"s + "\0"s + "Lager$$Nord\0"s + "10.0.0.2\0"s +
                       "\0"s;
    std::vector<SharedRecorder> recorders;
    ASSERT_TRUE(ParseRecorders(list, recorders));
    ASSERT_EQ(recorders.size(), 2u);
    EXPECT_EQ(recorders[0],
              (SharedRecorder{"Tor", "192.168.1.20", {"Einfahrt", "Schranke"}, 1, 1}));
    EXPECT_EQ(recorders[1], (SharedRecorder{"Lager$$Nord", "10.0.0.2", {}, 0, 0}));
}

TEST(RecorderListParse, NumberItemsTakeTheTopAndLowBits)
{
    auto parse = [](const std::string& item) {
        std::vector<SharedRecorder> recorders;
        EXPECT_TRUE(ParseRecorders(Header(1, 1) + "N\0A\0"s + item + "\0\0"s, recorders));
        return recorders.empty() ? SharedRecorder{} : recorders[0];
    };
    EXPECT_EQ(parse("##4278190081").topBits, 127); // saturates at 2^31 - 1
    EXPECT_EQ(parse("##-1").topBits, 255);
    EXPECT_EQ(parse("##-1").lowBits, 0xffffff);
    EXPECT_EQ(parse("##83886085").topBits, 5);
    EXPECT_EQ(parse("##83886085").lowBits, 5);
    EXPECT_EQ(parse("##abc").topBits, 0);
    EXPECT_EQ(parse("##").lowBits, 0);
    EXPECT_TRUE(parse("##7").presets.empty());
}

TEST(RecorderListParse, EmptyListIsValid)
{
    std::vector<SharedRecorder> recorders;
    EXPECT_TRUE(ParseRecorders(Header(1, 0), recorders));
    EXPECT_TRUE(recorders.empty());
}

TEST(RecorderListParse, MalformedListsAreRejected)
{
    std::vector<SharedRecorder> recorders;
    EXPECT_FALSE(ParseRecorders("", recorders));
    EXPECT_FALSE(ParseRecorders(Header(1, 0).substr(0, 7), recorders));
    EXPECT_FALSE(ParseRecorders(Header(2, 0), recorders));
    EXPECT_FALSE(ParseRecorders(Header(1, -1), recorders));
    EXPECT_FALSE(ParseRecorders(Header(1, INT_MIN), recorders));
    // More records announced than the mapping holds.
    EXPECT_FALSE(ParseRecorders(Header(1, 2) + "A\0B\0\0"s, recorders));
    EXPECT_FALSE(ParseRecorders(Header(1, INT_MAX) + "A\0B\0\0"s, recorders));
    // Texts without their NUL at the end of the mapping.
    EXPECT_FALSE(ParseRecorders(Header(1, 1) + "Tor", recorders));
    EXPECT_FALSE(ParseRecorders(Header(1, 1) + "Tor\0addr"s, recorders));
    EXPECT_FALSE(ParseRecorders(Header(1, 1) + "Tor\0addr\0preset"s, recorders));
    EXPECT_FALSE(ParseRecorders(Header(1, 1) + "Tor\0addr\0"s, recorders));
    EXPECT_TRUE(recorders.empty());
}

TEST(RecorderListParse, EncodeAndParseAgree)
{
    std::vector<SharedRecorder> recorders{{"A", "1.1.1.1", {"p", "q"}, 2, 3},
                                          {"B$$x", "2.2.2.2", {}, 0, 0},
                                          {"C", "3.3.3.3", {"r"}, 255, 0xffffff}};
    std::vector<SharedRecorder> parsed;
    ASSERT_TRUE(SharedRecorderList::Parse(SharedRecorderList::Encode(recorders), parsed));
    EXPECT_EQ(parsed, recorders);
}

TEST(PresetListParse, NamesUpToTheCount)
{
    std::vector<std::string> names;
    ASSERT_TRUE(ParsePresets(PresetHeader(1, 2) + "Einfahrt\0Rampe\0Rest\0"s, names));
    EXPECT_EQ(names, (std::vector<std::string>{"Einfahrt", "Rampe"}));
}

TEST(PresetListParse, ZeroOrNegativeCountYieldsNoNames)
{
    std::vector<std::string> names;
    EXPECT_TRUE(ParsePresets(PresetHeader(1, 0) + "A\0"s, names));
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(ParsePresets(PresetHeader(1, -1) + "A\0"s, names));
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(ParsePresets(PresetHeader(1, -128), names));
    EXPECT_TRUE(names.empty());
}

TEST(PresetListParse, MalformedListsAreRejected)
{
    std::vector<std::string> names;
    EXPECT_FALSE(ParsePresets("", names));
    EXPECT_FALSE(ParsePresets(PresetHeader(1, 1).substr(0, 6), names));
    EXPECT_FALSE(ParsePresets(PresetHeader(2, 1) + "A\0"s, names));
    EXPECT_FALSE(ParsePresets(PresetHeader(1, 3) + "A\0B\0"s, names));
    EXPECT_FALSE(ParsePresets(PresetHeader(1, 1) + "no end", names));
    EXPECT_FALSE(ParsePresets(PresetHeader(1, 127), names));
    EXPECT_TRUE(names.empty());
}

TEST(PresetListParse, EncodeKeepsAtMost127Names)
{
    std::vector<std::string> many(200, "P");
    std::vector<std::string> names;
    ASSERT_TRUE(CKXSHMPresetList::Parse(CKXSHMPresetList::Encode(many), names));
    EXPECT_EQ(names.size(), 127u);
}

TEST(SharedLists, ReadWhatThePeerPublishes)
{
    ShmScope scope;
    LiveViewPeer peer(scope.Prefix(), TestWindow(30));
    std::vector<SharedRecorder> recorders{{"Tor", "192.168.1.20", {"Einfahrt"}, 1, 1}};
    ASSERT_TRUE(peer.PublishRecorderList(recorders));
    ASSERT_TRUE(peer.PublishPresetList({"Einfahrt", "Rampe"}));
    SharedRecorderList list(scope.Prefix());
    ASSERT_TRUE(list.Read());
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.At(0), recorders[0]);
    CKXSHMPresetList presets(scope.Prefix());
    ASSERT_TRUE(presets.Read()) << presets.LastError();
    EXPECT_EQ(presets.Names(), (std::vector<std::string>{"Einfahrt", "Rampe"}));
    struct stat status {};
    ASSERT_EQ(::stat(scope.PathOf("KXRLM").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(scope.PathOf("KXSHM_PRESETLIST_MUTEX").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST(SharedLists, MissingListsFailToRead)
{
    ShmScope scope;
    SharedRecorderList list(scope.Prefix());
    EXPECT_FALSE(list.Read());
    EXPECT_EQ(list.Count(), 0u);
    CKXSHMPresetList presets(scope.Prefix());
    EXPECT_FALSE(presets.Read());
    EXPECT_EQ(presets.LastError(), "mapping missing");
    EXPECT_EQ(presets.Count(), 0u);
}

TEST(SharedLists, ListsOfAPeerThatLeftAreGone)
{
    ShmScope scope;
    {
        LiveViewPeer peer(scope.Prefix(), TestWindow(31));
        ASSERT_TRUE(peer.PublishRecorderList({{"Tor", "1.2.3.4", {}, 0, 0}}));
        ASSERT_TRUE(peer.PublishPresetList({"P"}));
    }
    EXPECT_FALSE(scope.ReadObject("KXRL").empty());
    SharedRecorderList list(scope.Prefix());
    EXPECT_FALSE(list.Read());
    CKXSHMPresetList presets(scope.Prefix());
    EXPECT_FALSE(presets.Read());
}

TEST(SharedLists, MalformedListsInSharedMemoryAreRejected)
{
    ShmScope scope;
    LiveViewPeer peer(scope.Prefix(), TestWindow(32));
    std::string recorders = Header(1, 3) + "A\0B\0\0"s;
    std::string presets = PresetHeader(1, 2) + "A\0B"s;
    ASSERT_TRUE(peer.PublishRawRecorderList(Bytes(recorders)));
    ASSERT_TRUE(peer.PublishRawPresetList(Bytes(presets)));
    SharedRecorderList list(scope.Prefix());
    EXPECT_FALSE(list.Read());
    EXPECT_EQ(list.Count(), 0u);
    CKXSHMPresetList presetList(scope.Prefix());
    EXPECT_FALSE(presetList.Read());
    EXPECT_EQ(presetList.LastError(), "malformed list");
    ASSERT_TRUE(peer.PublishRawPresetList(Bytes(PresetHeader(3, 0))));
    EXPECT_FALSE(presetList.Read());
    EXPECT_EQ(presetList.LastError(), "wrong version");
}

} // namespace
