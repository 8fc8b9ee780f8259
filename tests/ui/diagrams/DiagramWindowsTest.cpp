// The bar diagram, the trend view and the diagram colour page offscreen:
// bars by recorder name with their hover counts, one arrival followed, the
// trend's range from the filter, the PDFs read back with their footers and
// pages, colours chosen and restored, and a picture of each.
#include "../../db/DbTestSupport.h"
#include "../config/ConfigPagesFixture.h"
#include "alarm/BarColours.h"
#include "config/Timestamp.h"
#include "testsupport/FakeClock.h"
#include "testsupport/ScopedTimeZone.h"
#include "ui/config/ConfigurationSheet.h"
#include "ui/diagrams/BarDiagramWindow.h"
#include "ui/diagrams/DiagramColourPage.h"
#include "ui/diagrams/TrendWindow.h"
#include "users/UserAccounts.h"

#include <QColorDialog>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

namespace {

constexpr int64_t kHourMs = 3'600'000;
// 2024-05-06 00:00 UTC.
constexpr int64_t kStartMs = (1'714'953'600LL + kUnixEpochSeconds) * 1000;

class DiagramWindowsTest : public ::testing::Test {
protected:
    DiagramWindowsTest()
    {
        CreateBuiltInAccount(*db.tree);
        EXPECT_TRUE(RebuildAlarmDefaults(*db.tree));
        AddRecorder(*db.tree, "Pforte", "10.0.0.2");
        AddRecorder(*db.tree, "Einfahrt", "10.0.0.1");
        std::vector<AlarmRecord> records;
        const int32_t types[] = {10000, 10001, 10005, 10005, 10013};
        for (int i = 0; i < 60; ++i)
            records.push_back(MakeRecord(kStartMs + i * kHourMs / 4, types[i % 5],
                                         i % 3 == 0   ? "10.0.0.1"
                                         : i % 3 == 1 ? "10.0.0.2"
                                                      : "10.0.0.7"));
        WriteFileBytes(db.DbPath(), EncodeRecords(records));
        EXPECT_TRUE(db.Open());
        QDir().mkpath(WARDEX_SCREENSHOT_DIR);
    }

    static void Save(QWidget& widget, const char* name)
    {
        widget.show();
        QApplication::processEvents();
        EXPECT_TRUE(widget.grab().save(QString(WARDEX_SCREENSHOT_DIR) + "/" + name, "PNG"));
    }

    // The text of each page of a PDF.
    QStringList PdfPages(const QString& path)
    {
        QProcess process;
        process.start("pdftotext", {"-layout", path, "-"});
        EXPECT_TRUE(process.waitForFinished(60'000));
        QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split(u'\f');
        if (!pages.isEmpty() && pages.back().trimmed().isEmpty())
            pages.removeLast();
        return pages;
    }

    ScopedTimeZone zone{"Europe/Berlin"};
    TempDir dir;
    DbFixture db{dir.Path()};
};

} // namespace

TEST_F(DiagramWindowsTest, BarsByNameWithHoverCountsFollowingOneArrival)
{
    FakeClock clock;
    BarDiagramWindow window(*db.tree, *db.database, clock);
    window.resize(900, 460);
    Save(window, "bar-diagram.png");
    const std::vector<DiagramBar>& bars = window.Bars();
    ASSERT_EQ(bars.size(), 3U);
    EXPECT_EQ(bars[0].name, "Einfahrt");
    EXPECT_EQ(bars[1].name, "Pforte");
    EXPECT_EQ(bars[2].name, "Unbekannter Rekorder: 10.0.0.7");
    EXPECT_EQ(bars[0].total, 20);

    // Just above the axis in the first bar: its lowest segment, type 10000.
    QRect plot = window.Canvas().rect();
    QString tip = window.ToolTipAt(QPoint(56 + BarDiagramWindow::kSlot / 2, plot.height() - 50));
    EXPECT_TRUE(tip.startsWith("Einfahrt: 20 Alarme")) << tip.toStdString();
    EXPECT_TRUE(tip.contains(": 4")) << tip.toStdString();
    EXPECT_TRUE(window.ToolTipAt(QPoint(plot.width() - 2, 30)).isEmpty());

    ASSERT_TRUE(db.database->Append(MakeRecord(kStartMs + 100 * kHourMs, 10042, "10.0.0.2")));
    window.Follow();
    EXPECT_EQ(window.Counts().Count("10.0.0.2", 10042), 1);
    EXPECT_EQ(window.Bars()[1].total, 21);
}

TEST_F(DiagramWindowsTest, BarDiagramPdfHasTheConfiguredRecordersPerPage)
{
    FakeClock clock;
    BarDiagramWindow window(*db.tree, *db.database, clock);
    window.findChild<QSpinBox*>("RecordersPerPage")->setValue(2);
    EXPECT_EQ(RecordersPerPage(*db.tree), 2);
    QString path = QString::fromStdString(dir.File("Balken.pdf"));
    ASSERT_TRUE(window.ExportPdf(path));
    QStringList pages = PdfPages(path);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_TRUE(pages[0].contains("Einfahrt") && pages[0].contains("Pforte"));
    EXPECT_TRUE(pages[1].contains("Unbekannter"));
    for (int page = 0; page < 2; ++page)
        EXPECT_TRUE(
            pages[page].contains(QString("Benutzer: administrator, Seite %1 / 2").arg(page + 1)))
            << pages[page].toStdString();
    QProcess::execute("pdftoppm", {"-png", "-r", "60", "-singlefile", path,
                                   QString(WARDEX_SCREENSHOT_DIR) + "/bar-diagram-print"});
}

TEST_F(DiagramWindowsTest, TrendRangeFollowsTheFilterAndPrintsOnOnePage)
{
    std::optional<TrendRange> filterRange;
    FakeClock clock;
    TrendWindow window(*db.tree, *db.database, clock, [&] { return filterRange; });
    window.resize(900, 440);
    Save(window, "trend.png");
    // 60 alarms a quarter of an hour apart: 15 hours.
    EXPECT_EQ(window.BucketStarts().size(), 15U);
    EXPECT_EQ(window.Counts().Total(), 60);

    filterRange = TrendRange{kStartMs - 24 * kHourMs, kStartMs + 24 * kHourMs};
    window.SetStep(TrendStep::Day);
    EXPECT_EQ(window.BucketStarts().size(), 3U);
    EXPECT_EQ(window.Range().from, filterRange->from);

    QString path = QString::fromStdString(dir.File("Trend.pdf"));
    ASSERT_TRUE(window.ExportPdf(path));
    QProcess::execute("pdftoppm", {"-png", "-r", "60", "-singlefile", path,
                                   QString(WARDEX_SCREENSHOT_DIR) + "/trend-print"});
    QStringList pages = PdfPages(path);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains("Seite 1 / 1"));
    EXPECT_TRUE(pages[0].contains("06.05.2024"));
}

TEST_F(DiagramWindowsTest, CloseButtonAndEscapeCloseBothWindows)
{
    FakeClock clock;
    BarDiagramWindow bars(*db.tree, *db.database, clock);
    TrendWindow trend(*db.tree, *db.database, clock, [] { return std::optional<TrendRange>(); });
    for (DiagramWindow* window : std::initializer_list<DiagramWindow*>{&bars, &trend}) {
        window->show();
        window->findChild<QPushButton*>("Close")->click();
        EXPECT_FALSE(window->isVisible());
        window->show();
        QTest::keyClick(window, Qt::Key_Escape);
        EXPECT_FALSE(window->isVisible());
    }
}

TEST_F(DiagramWindowsTest, ColourPageChoosesRestoresAndWritesOnOk)
{
    QDialog sheet;
    DiagramColourPage page(*db.tree, sheet, &sheet);
    ASSERT_EQ(page.Colours().size(), 40U);
    WhenModal<QColorDialog>([](QColorDialog& chooser) {
        chooser.setCurrentColor(QColor(1, 2, 3));
        chooser.accept();
    });
    page.ChooseColour(0);
    EXPECT_EQ(page.Colours()[0].color, (RgbColor{1, 2, 3}));
    page.resize(420, 420);
    Save(page, "diagram-colour-page.png");

    sheet.accept();
    int32_t code = page.Colours()[0].code;
    EXPECT_EQ(BarColourOf(ReadBarColours(*db.tree, ColourSet::User), code), (RgbColor{1, 2, 3}));
    page.RestoreFactoryColours();
    EXPECT_EQ(page.Colours(), ReadBarColours(*db.tree, ColourSet::Factory));
}

TEST_F(DiagramWindowsTest, SheetShowsTheDiagramPageAndWritesItOnOk)
{
    FakePrompt prompt;
    ConfigurationSheet sheet(*db.tree, prompt, {SheetPage::Diagram}, RecorderPageOptions{});
    sheet.resize(720, 460);
    Save(sheet, "config-diagram-page.png");
    auto* page = sheet.findChild<DiagramColourPage*>();
    ASSERT_NE(page, nullptr);
    page->RestoreFactoryColours();
    sheet.accept();
    EXPECT_EQ(ReadBarColours(*db.tree, ColourSet::User),
              ReadBarColours(*db.tree, ColourSet::Factory));
}
