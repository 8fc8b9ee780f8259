// Printing and exporting the alarm list as shown: the PDF read back with the
// poppler tools carries the footer on every page and every row once; the
// CSV parsed back equals the list in its column order.
#include "AlarmListFixture.h"
#include "ui/alarms/AlarmListColumns.h"
#include "ui/print/AlarmListCsv.h"
#include "ui/print/AlarmListPrinter.h"
#include "ui/print/ShownAlarmList.h"
#include "users/UserAccounts.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

namespace {

QString RunTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60'000)) << program.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << program.toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// RFC 4180 with the station's separator.
std::vector<QStringList> ParseCsv(const QString& text)
{
    std::vector<QStringList> lines;
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"')
                field += text[++i];
            else if (c == u'"')
                quoted = false;
            else
                field += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == kCsvSeparator) {
            fields << field;
            field.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            fields << field;
            field.clear();
            lines.push_back(fields);
            fields.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return lines;
}

// Acts on the print dialog once its own loop runs; closes it if still open.
void WhenPrintDialog(std::function<void(QPrintDialog&)> act, int attempts = 200)
{
    QTimer::singleShot(0, [act = std::move(act), attempts]() mutable {
        auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (attempts > 0)
                WhenPrintDialog(std::move(act), attempts - 1);
            else
                ADD_FAILURE() << "no print dialog appeared";
            return;
        }
        act(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
}

class AlarmListExportTest : public AlarmListFixture {
protected:
    QString Path(const char* name) { return QString::fromStdString(dir.File(name)); }
};

} // namespace

TEST_F(AlarmListExportTest, PdfPagesCarryTitleHeaderAndFooterAndEveryRowWhole)
{
    constexpr int kRows = 150;
    // As long as the field holds, in words and one unbroken run.
    const QString longInfo = "Tor Nord Zufahrt Schranke geoeffnet, Kontakt 7 ausgeloest waehrend "
                             "Scharfschaltung, Meldung vom Wachdienst erwartet ABCDEFGHIJK";
    ASSERT_EQ(longInfo.size(), 127);
    int64_t first = clock.NowMs();
    for (int i = 0; i < kRows; ++i)
        Store(10005, 1, kRecorderIp, QString::asprintf("Zeile %03d", i).toStdString());
    int64_t last = clock.NowMs() - 1000;
    Store(10005, 1, kRecorderIp, longInfo.toStdString());
    ASSERT_EQ(RecordAt(0).Number(AlarmField::TimeArrival), first);
    ShownAlarmList shown(*list, *database);
    std::string user = CurrentUserName(*tree);
    AlarmListPrinter printer(shown, user, clock.Now(), "Nacht: 1 Alarm im Filter");
    ASSERT_TRUE(printer.ExportPdf(Path("Alarme.pdf")));

    QString info = RunTool("pdfinfo", {Path("Alarme.pdf")});
    QRegularExpressionMatch pagesLine = QRegularExpression(R"(Pages:\s+(\d+))").match(info);
    ASSERT_TRUE(pagesLine.hasMatch());
    int pages = pagesLine.captured(1).toInt();
    EXPECT_GT(pages, 1);
    // In drawing order, each cell's wrapped lines follow each other; the
    // fonts' ligatures ("ff") come back as one character.
    QStringList pageTexts = RunTool("pdftotext", {"-raw", Path("Alarme.pdf"), "-"}).split(u'\f');
    ASSERT_GE(pageTexts.size(), pages);
    auto stamp = [](int64_t ms) {
        Timestamp time = Timestamp::FromMs(ms);
        return QString::fromStdString(time.FormatDate() + " " + time.FormatTime(WithMs::No));
    };
    QString period = QString("Zeitraum (Zeit-Eingang): %1 bis %2, %3 Alarme")
                         .arg(stamp(first), stamp(last + 1000))
                         .arg(kRows + 1);
    QString all;
    for (int page = 1; page <= pages; ++page) {
        QString text = pageTexts[page - 1].normalized(QString::NormalizationForm_KC).simplified();
        EXPECT_TRUE(text.startsWith("Alarmliste Filter: Nacht: 1 Alarm im Filter " + period))
            << page << text.left(200).toStdString();
        EXPECT_TRUE(text.contains(QString("Benutzer: %1, Seite %2 / %3")
                                      .arg(QString::fromStdString(user))
                                      .arg(page)
                                      .arg(pages)))
            << page;
        EXPECT_TRUE(text.contains("Zeitpunkt der Erfassung: ")) << page;
        for (int column : shown.Columns())
            EXPECT_TRUE(text.contains(shown.Header(column))) << page << column;
        all += text;
    }
    QDir().mkpath(WARDEX_SCREENSHOT_DIR);
    QString lastPage = QString::number(pages);
    RunTool("pdftoppm", {"-png", "-r", "70", "-f", lastPage, "-l", lastPage, "-singlefile",
                         Path("Alarme.pdf"), QString(WARDEX_SCREENSHOT_DIR) + "/alarm-list-print"});
    for (int i = 0; i < kRows; ++i)
        EXPECT_EQ(all.count(QString::asprintf("Zeile %03d", i)), 1) << i;
    EXPECT_EQ(all.count(longInfo), 1);
    EXPECT_EQ(all.count("Offen " + Cell(0, kColumnArrival)), 1);
    EXPECT_GE(all.count(Cell(0, kColumnAlarmType)), kRows + 1);
}

TEST_F(AlarmListExportTest, PdfTitleSaysWhenNoFilterIsApplied)
{
    ShownAlarmList shown(*list, *database);
    AlarmListPrinter printer(shown, CurrentUserName(*tree), clock.Now());
    ASSERT_TRUE(printer.ExportPdf(Path("Leer.pdf")));
    QString text = RunTool("pdftotext", {"-raw", Path("Leer.pdf"), "-"}).simplified();
    EXPECT_TRUE(text.startsWith("Alarmliste Filter: keiner, alle Alarme Zeitraum: keine Alarme"))
        << text.toStdString();
}

TEST_F(AlarmListExportTest, CsvParsesBackToTheListAsShown)
{
    // Alarms of one burst differ in their milliseconds only.
    clock.source.AdvanceMs(250);
    Store(10005, 3, kRecorderIp, "Tor; \"Nord\"");
    Store(10001, -1, "10.9.9.9", "=HYPERLINK(\"x\")");
    Store(10000, 2, kRecorderIp, "Zeile\u00e4");
    list->SortByColumn(kColumnAddInfo);
    list->horizontalHeader()->moveSection(kColumnAddInfo, 0);
    ShownAlarmList shown(*list, *database);
    ASSERT_TRUE(WriteAlarmListCsv(shown, Path("Alarme.csv")));

    QFile file(Path("Alarme.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    std::vector<QStringList> lines = ParseCsv(QString::fromUtf8(bytes.mid(3)));
    ASSERT_EQ(lines.size(), 4U);
    QStringList headers;
    for (int visual = 0; visual < kAlarmListColumnCount; ++visual)
        headers << list->Model()
                       .headerData(list->horizontalHeader()->logicalIndex(visual), Qt::Horizontal)
                       .toString();
    EXPECT_EQ(lines[0], headers);
    EXPECT_EQ(headers.front(), "Zusaetzl. Info");

    for (int row = 0; row < 3; ++row) {
        AlarmRecord record = RecordAt(list->Model().RecordNumber(row));
        for (int visual = 0; visual < kAlarmListColumnCount; ++visual) {
            int column = list->horizontalHeader()->logicalIndex(visual);
            const QString& field = lines[static_cast<size_t>(row) + 1][visual];
            if (column == kColumnArrival || column == kColumnDeparture) {
                AlarmField time =
                    column == kColumnArrival ? AlarmField::TimeArrival : AlarmField::TimeDeparture;
                EXPECT_EQ(QDateTime::fromString(field, Qt::ISODateWithMs).toMSecsSinceEpoch(),
                          record.Number(time) - kUnixEpochSeconds * 1000)
                    << field.toStdString();
            } else if (column == kColumnState) {
                EXPECT_EQ(field, "Offen");
            } else if (column == kColumnActionTime) {
                EXPECT_EQ(field, "");
            } else {
                QString cell = list->Model().CellText(row, column);
                EXPECT_EQ(field, cell.startsWith(u'=') ? u'\'' + cell : cell);
            }
        }
    }
    // Texts sort Z before A when ascending.
    EXPECT_EQ(lines[3][0], "'=HYPERLINK(\"x\")");
}

TEST_F(AlarmListExportTest, PrintDialogPrintsTheFooteredPages)
{
    for (int i = 0; i < 60; ++i)
        Store(10005, 1, kRecorderIp, QString::asprintf("Zeile %03d", i).toStdString());
    ShownAlarmList shown(*list, *database);
    AlarmListPrinter printer(shown, CurrentUserName(*tree), clock.Now());
    QString path = Path("Gedruckt.pdf");
    WhenPrintDialog([&path](QPrintDialog& dialog) {
        // Without a print server the dialog offers printing into a file;
        // OK takes the file name from its own field.
        auto* file = dialog.findChild<QLineEdit*>("filename");
        ASSERT_NE(file, nullptr);
        file->setText(path);
        QDir().mkpath(WARDEX_SCREENSHOT_DIR);
        dialog.grab().save(QString(WARDEX_SCREENSHOT_DIR) + "/print-dialog.png", "PNG");
        dialog.accept();
    });
    ASSERT_TRUE(printer.PrintWithDialog(nullptr));
    QString text = RunTool("pdftotext", {path, "-"});
    EXPECT_TRUE(text.contains("Seite 1 / 2"));
    EXPECT_TRUE(text.contains("Seite 2 / 2"));
}
