// The audit trail on real files: what its verifier catches, what a kill or
// an unwritable file leaves behind, and that secrets never reach the file.
#include "audit/AuditTrail.h"

#include "audit/AuditVerifier.h"
#include "config/Clock.h"
#include "platform/SystemLog.h"
#include "testsupport/FakeClockSource.h"
#include "testsupport/TempDir.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

class KeptLog final : public SystemLog {
public:
    void Notice(std::string_view text) override { text_ += std::string(text) + "\n"; }
    std::string text_;
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

class AuditTrailTest : public ::testing::Test {
protected:
    void WriteEvents(int count)
    {
        AuditTrail trail(dir_.Path(), clock_, log_, "station");
        trail.Open();
        for (int i = 0; i < count; ++i)
            trail.Record("login", "user" + std::to_string(i), {{"n", std::to_string(i)}});
        trail.PublishHead("end");
    }
    AuditCheck Verify(const std::string& text)
    {
        AuditChainCheck check(AuditChainCheck::Start::Beginning, FindAuditHeads(log_.text_));
        check.AddFile("Audit.log", text);
        return check.Finish();
    }
    std::string TrailText() { return ReadFileBytes(dir_.Path() / AuditTrail::kFileName); }

    TempDir dir_;
    FakeClockSource source_;
    Clock clock_{source_};
    KeptLog log_;
};

// Rewrites lines from `from` (index) onward with a recomputed chain, as a
// forger who knows the format would.
std::vector<std::string> Rechained(std::vector<std::string> lines, size_t from)
{
    std::string prev = from == 0 ? kAuditGenesis : ParseAuditLine(lines[from - 1])->line.hash;
    for (size_t i = from; i < lines.size(); ++i) {
        AuditLine line = ParseAuditLine(lines[i])->line;
        if (i == from)
            line.event.subject = "someone else";
        line.prev = prev;
        lines[i] = ComposeAuditLine(line);
        prev = line.hash;
    }
    return lines;
}

struct Tamper {
    const char* name;
    std::function<std::vector<std::string>(std::vector<std::string>)> change;
    int64_t brokenLine;
};

TEST_F(AuditTrailTest, VerifierNamesTheFirstTamperedLine)
{
    WriteEvents(6);
    const std::vector<std::string> original = Lines(TrailText());
    const Tamper tampers[] = {
        {"untouched", [](auto lines) { return lines; }, 0},
        {"edited",
         [](auto lines) {
             lines[2].replace(lines[2].find("user2"), 5, "userX");
             return lines;
         },
         3},
        {"deleted",
         [](auto lines) {
             lines.erase(lines.begin() + 3);
             return lines;
         },
         4},
        {"inserted",
         [](auto lines) {
             lines.insert(lines.begin() + 2, lines[1]);
             return lines;
         },
         3},
        // Only the head of the last line is in the system log.
        {"tail rewritten", [](auto lines) { return Rechained(lines, 4); }, 6},
        {"tail removed",
         [](auto lines) {
             lines.resize(4);
             return lines;
         },
         5},
    };
    for (const Tamper& tamper : tampers) {
        SCOPED_TRACE(tamper.name);
        AuditCheck check = Verify(Joined(tamper.change(original)));
        EXPECT_EQ(check.intact, tamper.brokenLine == 0) << check.reason;
        EXPECT_EQ(check.brokenLine, tamper.brokenLine) << check.reason;
    }
}

TEST_F(AuditTrailTest, KilledWriterLeavesATrailThatVerifiesAndContinues)
{
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AuditTrail trail(dir_.Path(), clock_, log_, "station");
        trail.Open();
        for (int i = 0;; ++i)
            trail.Record("login", std::string(static_cast<size_t>(i % 5000), 'x'));
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    auto size = [this] {
        std::error_code error;
        uintmax_t bytes = fs::file_size(dir_.Path() / AuditTrail::kFileName, error);
        return error ? 0 : bytes;
    };
    while (size() < 200'000 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    // Whatever the kill cut, a torn line is at most the last one.
    std::string text = TrailText() + "{\"seq\":";
    AuditCheck killed = Verify(text);
    EXPECT_TRUE(killed.intact) << killed.reason;
    EXPECT_TRUE(killed.incompleteLastLine);
    WriteFileBytes(dir_.Path() / AuditTrail::kFileName, text);

    AuditTrail again(dir_.Path(), clock_, log_, "station");
    AuditTrail::Previous previous = again.Open();
    EXPECT_FALSE(previous.endedInOrder);
    EXPECT_GT(previous.cutBytes, 0);
    again.Record("station-start", "");
    AuditCheck continued = Verify(TrailText());
    EXPECT_TRUE(continued.intact) << continued.reason;
    EXPECT_FALSE(continued.incompleteLastLine);
}

TEST_F(AuditTrailTest, UnwritableFileKeepsLinesUntilItCanBeWritten)
{
    fs::create_directory(dir_.Path() / AuditTrail::kFileName);
    AuditTrail trail(dir_.Path(), clock_, log_, "station");
    trail.Open();
    trail.Record("alarm-confirm", "10.0.0.1");
    trail.Record("alarm-delete", "10.0.0.2");
    EXPECT_TRUE(trail.Failing());
    EXPECT_EQ(trail.PendingCount(), 2u);

    fs::remove(dir_.Path() / AuditTrail::kFileName);
    trail.Tick();
    EXPECT_FALSE(trail.Failing());
    AuditCheck check = Verify(TrailText());
    EXPECT_TRUE(check.intact) << check.reason;
    EXPECT_EQ(check.lines, 2);
}

TEST_F(AuditTrailTest, RotatedFilesCarryTheChain)
{
    {
        AuditTrail trail(dir_.Path(), clock_, log_, "station");
        trail.SetRotationBytes(600);
        trail.Open();
        for (int i = 0; i < 12; ++i)
            trail.Record("export", "alarm list", {{"file", "/tmp/a.csv"}});
        trail.PublishHead("end");
    }
    std::vector<fs::path> files = AuditFiles(dir_.Path());
    ASSERT_GT(files.size(), 2u);
    AuditChainCheck check(AuditChainCheck::Start::Beginning, FindAuditHeads(log_.text_));
    for (const fs::path& file : files)
        check.AddFile(file.string(), ReadFileBytes(file));
    AuditCheck result = check.Finish();
    EXPECT_TRUE(result.intact) << result.reason;
    EXPECT_EQ(result.lines, 12);
    EXPECT_EQ(result.headsMatched, 1);
}

TEST_F(AuditTrailTest, SecretsAreMaskedWhateverTheyHold)
{
    {
        AuditTrail trail(dir_.Path(), clock_, log_, "station");
        trail.Open();
        trail.Record("config-change", "System/mailSMTPPassword",
                     {{"mailSMTPPassword", "hunter2"}, {"Password", "hunter2"}, {"s", "ok"}});
    }
    std::string text = TrailText();
    EXPECT_EQ(text.find("hunter2"), std::string::npos);
    EXPECT_NE(text.find("\"s\":\"ok\""), std::string::npos);
}

} // namespace
