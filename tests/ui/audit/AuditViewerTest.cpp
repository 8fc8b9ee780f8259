// The audit trail's viewer over a real trail: filters, search, following
// the station as it writes, CSV and PDF export, and its picture.
#include "ui/audit/AuditViewer.h"

#include "audit/AuditTrail.h"
#include "config/Clock.h"
#include "platform/SystemLog.h"
#include "testsupport/FakeClockSource.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/TempDir.h"
#include "ui/ScreenshotFolder.h"
#include "ui/audit/AuditLogModel.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QTableView>
#include <algorithm>
#include <tuple>

#include <gtest/gtest.h>

namespace {

class NoLog final : public SystemLog {
public:
    void Notice(std::string_view) override {}
};

class AuditViewerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        trail.Open();
        for (auto [user, kind, subject] :
             {std::tuple{"administrator", "station-start", "/srv/wardex"},
              {"anna", "login", "anna"},
              {"anna", "alarm-confirm", "10.0.0.7"},
              {"bert", "login-failed", "bert"},
              {"anna", "export", "alarm list"}}) {
            currentUser = user;
            trail.Record(kind, subject, {{"comment", "Tor 3 offen; Wachdienst informiert"}});
        }
    }

    TempDir dir;
    FakeClockSource source;
    Clock clock{source};
    NoLog log;
    FakePrompt prompt;
    std::string currentUser;
    AuditTrail trail{dir.Path(), clock, log, "leitstelle-1"};

public:
    AuditViewerTest()
    {
        trail.SetUserSource([this] { return currentUser; });
    }
};

TEST_F(AuditViewerTest, FiltersSearchAndFollowTheTrail)
{
    AuditViewer viewer(dir.Path(), &trail, prompt);
    QAbstractItemModelTester tester(&viewer.Model());
    EXPECT_EQ(viewer.Model().rowCount(), 5);

    auto* user = viewer.findChild<QComboBox*>("AuditUser");
    user->setCurrentIndex(user->findText("anna"));
    EXPECT_EQ(viewer.Model().rowCount(), 3);
    auto* kind = viewer.findChild<QComboBox*>("AuditKind");
    kind->setCurrentIndex(kind->findText("login"));
    EXPECT_EQ(viewer.Model().rowCount(), 1);
    kind->setCurrentIndex(0);
    viewer.SetSearchText("10.0.0");
    EXPECT_EQ(viewer.Model().rowCount(), 1);
    viewer.SetSearchText("");

    currentUser = "anna";
    trail.Record("logout", "anna");
    viewer.Follow();
    EXPECT_EQ(viewer.Model().rowCount(), 4);
    EXPECT_EQ(viewer.Model().Text(3, AuditLogModel::Kind), "logout");
}

TEST_F(AuditViewerTest, SavesTheShownLinesAsCsvAndPdf)
{
    AuditViewer viewer(dir.Path(), &trail, prompt);
    viewer.SetSearchText("login");
    ASSERT_TRUE(viewer.SaveCsv(QString::fromStdString(dir.File("audit.csv"))));
    std::string csv = ReadFileBytes(dir.File("audit.csv"));
    EXPECT_NE(csv.find("Zeit;Benutzer;Art;Betreff;Einzelheiten\r\n"), std::string::npos);
    // Two log-in lines and the header; the comment's ";" is quoted.
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3);
    EXPECT_NE(csv.find("\"comment: Tor 3 offen; Wachdienst informiert\""), std::string::npos);
    ASSERT_TRUE(viewer.SavePdf(QString::fromStdString(dir.File("audit.pdf"))));
    EXPECT_TRUE(ReadFileBytes(dir.File("audit.pdf")).starts_with("%PDF"));
}

TEST_F(AuditViewerTest, Screenshots)
{
    AuditViewer viewer(dir.Path(), &trail, prompt);
    viewer.resize(1000, 420);
    viewer.show();
    EXPECT_TRUE(viewer.grab().save(ScreenshotFolder() + "/audit_viewer.png"));
}

} // namespace
