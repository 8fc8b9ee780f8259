// Kills a child process with SIGKILL at random moments while it appends,
// updates and deletes records, many times over. After every kill the
// database must open with every record whole (as before or as after the
// call that was cut short, never a mix) and nothing lost that a completed
// call had written.
#include "DbTestSupport.h"
#include "db/AlarmDatabase.h"
#include "platform/BusyIndicator.h"
#include "platform/ModifierKeys.h"
#include "testsupport/TempDir.h"

#include <chrono>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

enum class Step : int32_t { BeginAppend = 1, BeginUpdate, BeginDelete, End };

struct Note {
    Step step;
    int32_t record;
    int32_t version;
    int32_t unused;
};

// Every field of record n at version v derives from n and v, so a record
// that is part old, part new shows fields of two versions.
AlarmRecord Versioned(int number, int version)
{
    AlarmRecord record = AlarmRecord::NewAlarm();
    record.SetNumber(AlarmField::TimeArrival, number);
    record.SetNumber(AlarmField::TimeDeparture, version);
    record.SetField(AlarmField::Recorder, "rec-" + std::to_string(version));
    record.SetNumber(AlarmField::CameraID, version % 24);
    record.SetNumber(AlarmField::TrackID, version % 7);
    record.SetNumber(AlarmField::AlarmType, 10000 + version % 40);
    record.SetField(AlarmField::AddInfo, std::string(127, static_cast<char>('A' + version % 26)));
    record.SetField(AlarmField::Confirmed, version % 2 != 0 ? "1" : "0");
    record.SetField(AlarmField::ConfirmUser,
                    std::string(49, static_cast<char>('a' + version % 26)));
    record.SetField(AlarmField::ConfirmComment,
                    std::string(63, static_cast<char>('0' + version % 10)));
    record.SetNumber(AlarmField::ConfirmState, version % 4);
    record.SetNumber(AlarmField::ActionTime, version);
    record.SetField(AlarmField::AutoConfirmed, version % 3 == 0 ? "1" : "0");
    return record;
}

void Tell(int fd, Step step, int record = 0, int version = 0)
{
    Note note{step, record, version, 0};
    // A pipe write this small is atomic; a full pipe blocks until the kill.
    if (write(fd, &note, sizeof note) != sizeof note)
        _exit(3);
}

[[noreturn]] void AppendAndUpdate(ConfigTree& tree, const std::string& folder, int fd,
                                  unsigned seed, int maxRecords)
{
    AlarmDatabase database(tree, folder, NoModifierKeys(), NoBusyIndicator());
    if (!database.Open(folder + "/AlarmDB.txt"))
        _exit(2);
    std::mt19937 random(seed);
    AlarmRecord record;
    for (;;) {
        int count = database.RecordCount();
        if (count < maxRecords && (count < 8 || random() % 4 == 0)) {
            Tell(fd, Step::BeginAppend, count, 1);
            if (!database.Append(Versioned(count, 1)))
                _exit(4);
            Tell(fd, Step::End);
            continue;
        }
        int number = static_cast<int>(random() % static_cast<unsigned>(count));
        if (!database.Read(number, record))
            _exit(5);
        int version = static_cast<int>(record.Number(AlarmField::TimeDeparture)) + 1;
        Tell(fd, Step::BeginUpdate, number, version);
        if (!database.Update(number, Versioned(number, version)))
            _exit(6);
        Tell(fd, Step::End);
    }
}

[[noreturn]] void DeleteAndAppend(ConfigTree& tree, const std::string& folder, int fd)
{
    AlarmDatabase database(tree, folder, NoModifierKeys(), NoBusyIndicator());
    if (!database.Open(folder + "/AlarmDB.txt"))
        _exit(2);
    AlarmRecord record;
    for (;;) {
        int count = database.RecordCount();
        if (count == 0 || !database.Read(count - 1, record))
            _exit(5);
        int next = static_cast<int>(record.Number(AlarmField::TimeArrival)) + 1;
        if (database.Read(0, record) && count >= 20) {
            Tell(fd, Step::BeginDelete, static_cast<int>(record.Number(AlarmField::TimeArrival)));
            std::vector<int> first{0};
            if (!database.DeleteRecords(first))
                _exit(6);
            Tell(fd, Step::End);
        }
        Tell(fd, Step::BeginAppend, next, 1);
        if (!database.Append(Versioned(next, 1)))
            _exit(4);
        Tell(fd, Step::End);
    }
}

// Runs `child` in a forked process, kills it after `delayUs` and returns
// what it told before it died.
template <typename Child>
std::vector<Note> RunAndKill(Child&& child, long delayUs)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        child(fds[1]);
    }
    close(fds[1]);
    timespec delay{delayUs / 1'000'000, (delayUs % 1'000'000) * 1000};
    nanosleep(&delay, nullptr);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    std::vector<Note> notes;
    Note note{};
    while (read(fds[0], &note, sizeof note) == sizeof note)
        notes.push_back(note);
    close(fds[0]);
    // Anything but the kill means the child failed on its own.
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << "child exit " << (WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return notes;
}

class DatabaseCrashTest : public ::testing::Test {
protected:
    TempDir dir;
    // Built once: the child gets its own copy with the fork.
    std::unique_ptr<ConfigTree> tree = MakeDefaultTree();
    std::mt19937 random{20240607};
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();

    // Enough rounds to hit every stage of a call, within about two seconds.
    bool MoreRounds(int round, int minimum, int maximum)
    {
        auto elapsed = std::chrono::steady_clock::now() - start;
        return round < minimum || (round < maximum && elapsed < std::chrono::seconds(2));
    }
};

} // namespace

TEST_F(DatabaseCrashTest, KilledAppendsAndUpdatesLeaveEveryRecordWholeAndNothingLost)
{
    constexpr int kMaxRecords = 160;
    std::string folder = dir.Path().string();
    // Version of every record as of the last call known to be complete.
    std::vector<int> versions;
    int rounds = 0;
    int interrupted = 0;
    for (; MoreRounds(rounds, 40, 400); ++rounds) {
        unsigned seed = static_cast<unsigned>(random());
        long delayUs = static_cast<long>(random() % 12'000);
        std::vector<Note> notes = RunAndKill(
            [&](int fd) { AppendAndUpdate(*tree, folder, fd, seed, kMaxRecords); }, delayUs);

        std::optional<Note> pending;
        for (const Note& note : notes) {
            if (note.step != Step::End) {
                pending = note;
                continue;
            }
            ASSERT_TRUE(pending.has_value());
            if (pending->step == Step::BeginAppend)
                versions.push_back(pending->version);
            else
                versions[static_cast<size_t>(pending->record)] = pending->version;
            pending.reset();
        }
        interrupted += pending.has_value() ? 1 : 0;

        AlarmDatabase database(*tree, dir.Path(), NoModifierKeys(), NoBusyIndicator());
        ASSERT_TRUE(database.Open(folder + "/AlarmDB.txt")) << "round " << rounds;
        // Keep the rounds quick: no cache file to sync at every close.
        SetInt(*tree, "Runtime/FFTMNumRecords/iDoNotWriteDBCache", 1);
        int count = database.RecordCount();
        int known = static_cast<int>(versions.size());
        bool appending = pending && pending->step == Step::BeginAppend;
        ASSERT_TRUE(count == known || (appending && count == known + 1))
            << "round " << rounds << ": " << count << " records, " << known << " known";
        AlarmRecord record;
        for (int n = 0; n < count; ++n) {
            ASSERT_TRUE(database.Read(n, record));
            int version = static_cast<int>(record.Number(AlarmField::TimeDeparture));
            ASSERT_EQ(record, Versioned(n, version)) << "round " << rounds << " record " << n;
            bool inFlight = pending && pending->record == n && pending->version == version;
            if (n == known) {
                ASSERT_TRUE(inFlight);
                versions.push_back(version);
                continue;
            }
            ASSERT_TRUE(version == versions[static_cast<size_t>(n)] || inFlight)
                << "round " << rounds << " record " << n << ": version " << version
                << ", last completed " << versions[static_cast<size_t>(n)];
            versions[static_cast<size_t>(n)] = version;
        }
        database.Close();
    }
    EXPECT_GE(rounds, 40);
    EXPECT_GT(interrupted, 0);
    EXPECT_EQ(static_cast<int>(versions.size()), kMaxRecords);
}

TEST_F(DatabaseCrashTest, KilledDeletesLeaveTheOldOrTheNewFile)
{
    std::string folder = dir.Path().string();
    std::vector<AlarmRecord> initial;
    for (int i = 0; i < 20; ++i)
        initial.push_back(Versioned(i, 1));
    WriteFileBytes(dir.File("AlarmDB.txt"), EncodeRecords(initial));
    // Arrival keys present after the last complete call: first..last.
    int first = 0;
    int last = 19;
    int rounds = 0;
    for (; MoreRounds(rounds, 15, 60); ++rounds) {
        long delayUs = static_cast<long>(random() % 30'000);
        std::vector<Note> notes =
            RunAndKill([&](int fd) { DeleteAndAppend(*tree, folder, fd); }, delayUs);
        std::optional<Note> pending;
        for (const Note& note : notes) {
            if (note.step != Step::End) {
                pending = note;
                continue;
            }
            ASSERT_TRUE(pending.has_value());
            if (pending->step == Step::BeginDelete)
                first = pending->record + 1;
            else
                last = pending->record;
            pending.reset();
        }
        AlarmDatabase database(*tree, dir.Path(), NoModifierKeys(), NoBusyIndicator());
        ASSERT_TRUE(database.Open(folder + "/AlarmDB.txt")) << "round " << rounds;
        AlarmRecord record;
        int count = database.RecordCount();
        ASSERT_GT(count, 0);
        ASSERT_TRUE(database.Read(0, record));
        int firstFound = static_cast<int>(record.Number(AlarmField::TimeArrival));
        for (int n = 0; n < count; ++n) {
            ASSERT_TRUE(database.Read(n, record));
            ASSERT_EQ(record, Versioned(firstFound + n, 1)) << "round " << rounds;
        }
        int lastFound = firstFound + count - 1;
        bool deleting = pending && pending->step == Step::BeginDelete;
        bool appending = pending && pending->step == Step::BeginAppend;
        ASSERT_TRUE(firstFound == first || (deleting && firstFound == first + 1))
            << "round " << rounds << ": first " << firstFound << ", expected " << first;
        ASSERT_TRUE(lastFound == last || (appending && lastFound == last + 1))
            << "round " << rounds << ": last " << lastFound << ", expected " << last;
        first = firstFound;
        last = lastFound;
        database.Close();
    }
    EXPECT_GE(rounds, 15);
    EXPECT_FALSE(std::filesystem::exists(dir.File("AlarmDB.txt.temp")));
}
