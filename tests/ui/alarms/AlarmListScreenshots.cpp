// Pictures of what the operator sees, written into the build folder: the
// main window's alarm list with alarms of every priority and state, and
// alarm windows of two priorities.
#include "AlarmListFixture.h"
#include "alarm/AlarmSettingsLookup.h"
#include "alarm/ResponseLog.h"
#include "config/Timestamp.h"
#include "config/Translator.h"
#include "db/ConfigPath.h"
#include "ui/PresentationWindow.h"
#include "ui/ScreenshotFolder.h"
#include "ui/alarms/AlarmListColumns.h"
#include "ui/diagrams/ResponseTimesWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <fstream>
#include <sstream>

namespace {

struct Sample {
    int32_t type;
    int32_t priority;
    int32_t camera;
    const char* recorder;
    const char* addInfo;
};

class AlarmListScreenshots : public AlarmListFixture {
protected:
    static QString PicturePath(const char* name) { return ScreenshotFolder() + "/" + name; }

    void Save(QWidget& widget, const char* name)
    {
        QPixmap picture = widget.grab();
        ASSERT_FALSE(picture.isNull());
        QString path = PicturePath(name);
        ASSERT_TRUE(picture.save(path, "PNG")) << path.toStdString();
        EXPECT_GT(QFileInfo(path).size(), 0);
    }

    void Prioritise(int32_t type, int32_t priority, std::string_view ip = kRecorderIp)
    {
        Setting(type, ip)->Child("Priority")->SetInt(priority);
        Setting(type, ip)->Child("ShowAlarmWindow")->SetInt(1);
    }

    void Mark(int number, const char* confirmed, const char* state, const char* automatic,
              const char* user = "", const char* comment = "")
    {
        AlarmRecord record = RecordAt(number);
        record.SetField(AlarmField::Confirmed, confirmed);
        record.SetField(AlarmField::ConfirmState, state);
        record.SetField(AlarmField::AutoConfirmed, automatic);
        record.SetField(AlarmField::ConfirmUser, user);
        record.SetField(AlarmField::ConfirmComment, comment);
        if (std::string_view(state) == "2")
            record.SetNumber(AlarmField::ActionTime,
                             record.Number(AlarmField::TimeArrival) + 95'000);
        ASSERT_TRUE(database->Update(number, record));
    }

    // Alarms of every priority and confirmation state from two recorders.
    void StoreSamples();
};

void AlarmListScreenshots::StoreSamples()
{
    AddRecorder("10.0.0.2", "Lager Nord");
    CompleteRecorderSettings(*tree);
    const Sample samples[] = {
        {10005, 0, 3, kRecorderIp, "Kontakt 4: Haupttor"},
        {10016, 1, 7, "10.0.0.2", "Kamera 8 ausgefallen"},
        {10020, 2, -1, kRecorderIp, "Platte 2: Lesefehler"},
        {10001, 3, -1, "10.0.0.2", "Belegung 91 %"},
        {10030, 4, -1, kRecorderIp, "Luefter 1: 1200 U/min"},
        {10042, 5, -1, "10.0.0.2", "Naechste Meldung in 600 s"},
        {10005, 0, 1, "10.0.0.9", "Kontakt 2: Nebeneingang"},
        {10016, 1, 2, kRecorderIp, "Kamera 3 ausgefallen"},
    };
    for (const Sample& sample : samples) {
        Prioritise(sample.type, sample.priority, kRecorderIp);
        Prioritise(sample.type, sample.priority, "10.0.0.2");
        Store(sample.type, sample.camera, sample.recorder, sample.addInfo);
    }
    Mark(1, "1", "2", "0", "wache", "Techniker informiert");
    Mark(3, "0", "1", "0");
    Mark(5, "1", "0", "1", "administrator");
    Mark(7, "0", "3", "0", "wache");
}

TEST_F(AlarmListScreenshots, MainWindowWithAlarmsOfEveryPriority)
{
    StoreSamples();
    list->Refresh();
    list->SortByColumn(kColumnArrival);

    QMainWindow window;
    window.setWindowTitle("Wardex");
    window.menuBar()->addMenu("&Wardex");
    window.menuBar()->addMenu("&Fenster");
    auto* centre = new QWidget(&window);
    list->setParent(centre);
    auto* layout = new QHBoxLayout(centre);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list);
    window.setCentralWidget(centre);
    window.statusBar()->addWidget(new QLabel(QString::fromStdString(list->StatusText())), 1);
    window.statusBar()->addPermanentWidget(new QLabel(QString::fromStdString(users->StatusText())));
    window.resize(1500, 360);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    SelectRows({2});
    // As the operator sees it once the rows of the burst are painted.
    ASSERT_TRUE(QTest::qWaitFor([this] { return !list->PaintingHeld(); }));
    Save(window, "alarm-list.png");
    // The list belongs to the fixture's place again.
    list->setParent(place.get());
    place->layout()->addWidget(list);
}

TEST_F(AlarmListScreenshots, AlarmWindows)
{
    ConfigNode* entry = Setting(10005);
    entry->Child("Priority")->SetInt(0);
    entry->Child("ShwAlmTxtShort")->SetInt(1);
    entry->Child("Title")->SetString("Einbruch Haupttor!");
    entry->Child("ShwAlmTxtMessage")->SetInt(1);
    entry->Child("Message")->SetString("Der Kontakt am Haupttor hat ausgeloest. Bitte Live-Bild "
                                       "pruefen und Streife verstaendigen.");
    entry->Child("ShwScroller")->SetInt(1);
    entry->Child("RequireConfirmComment")->SetInt(1);
    entry->Child("RequirePhrase")->SetInt(1);
    entry->Child("Phrase")->SetString("Geprueft");
    Raise(10005, 3);
    std::vector<AlarmWindowDialog*> dialogs = OpenDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    for (int i = 0; i < 40; ++i)
        handling->Windows().Tick();
    QTest::keyClicks(dialogs[0]->CommentBox(), "Streife unterwegs");
    QTest::mouseClick(dialogs[0]->ConfirmButton(), Qt::LeftButton);
    Save(*dialogs[0], "alarm-window-refused.png");
    dialogs[0]->CommentBox()->clear();
    QTest::keyClicks(dialogs[0]->CommentBox(), "Geprueft Streife unterwegs");
    Save(*dialogs[0], "alarm-window.png");

    ConfigNode* housekeeping = Setting(10030);
    housekeeping->Child("Priority")->SetInt(3);
    housekeeping->Child("ShwAlmTxtShort")->SetInt(1);
    housekeeping->Child("Title")->SetString("Luefter langsam");
    housekeeping->Child("ShwAlmTxtMessage")->SetInt(0);
    housekeeping->Child("ShwScroller")->SetInt(0);
    list->OpenAlarm(RowOfRecord(Store(10030, -1)));
    dialogs = OpenDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    for (int i = 0; i < 10; ++i)
        handling->Windows().Tick();
    Save(*dialogs[0], "alarm-window-short.png");
}

TEST_F(AlarmListScreenshots, ResponseTimesWindow)
{
    // A week of alarms: priority 0 confirmed after 12 to 140 s, priority 2
    // after 30 s, one still waiting.
    int64_t now = clock.NowMs();
    std::string log;
    const std::pair<int, const char*> confirmed[] = {{12, "anna"}, {25, "bernd"}, {31, "anna"},
                                                     {59, "anna"}, {75, "bernd"}, {140, "anna"}};
    int64_t arrival = now - 6 * 24 * 3600 * 1000LL;
    for (auto [seconds, user] : confirmed) {
        arrival += 3'600'000;
        std::string a = std::to_string(arrival);
        log += "A\t" + a + "\t0\t10005\t10.0.0.1\nS\t" + a + "\t" + std::to_string(arrival + 900) +
               "\nC\t" + a + "\t" + std::to_string(arrival + seconds * 1000) + "\t" + user + "\n";
        if (seconds > 60)
            log += "E\t" + a + "\n";
    }
    log += "A\t" + std::to_string(now - 5000) + "\t2\t10030\t10.0.0.2\n";
    log += "A\t" + std::to_string(now - 90'000) + "\t2\t10030\t10.0.0.2\nC\t" +
           std::to_string(now - 90'000) + "\t" + std::to_string(now - 60'000) + "\tanna\n";
    std::string path = (dir.Path() / ResponseLog::kFileName).string();
    {
        std::ofstream file(path);
        file << log;
    }
    ResponseTimesWindow window(path, {30, 60, 90}, clock);
    window.show();
    ASSERT_EQ(window.Rows().size(), 3u);
    EXPECT_EQ(window.Table()->rowCount(), 3);
    EXPECT_EQ(window.Table()->item(0, 3)->text(), "31.0 s");  // 12 25 31 59 75 140: rank 3
    EXPECT_EQ(window.Table()->item(0, 4)->text(), "140.0 s"); // rank ceil(5.4) = 6
    Save(window, "response-times.png");
    window.GroupingChoice()->setCurrentIndex(2);
    EXPECT_EQ(window.Table()->item(0, 0)->text(), "(unbestaetigt)");
    Save(window, "response-times-operators.png");
    std::string csvPath = (dir.Path() / "Reaktionszeiten.csv").string();
    window.SetFileChooser([&] { return QString::fromStdString(csvPath); });
    ASSERT_TRUE(window.SaveCsv());
    std::ifstream saved(csvPath);
    std::stringstream text;
    text << saved.rdbuf();
    EXPECT_EQ(text.str(), ResponseCsv(window.Rows(), {30, 60, 90}));
}

} // namespace

namespace {

// The presentation window in both modes and three languages: columns, state
// icons and priority colours; under X also the screen with the frame.
TEST_F(AlarmListScreenshots, PresentationWindows)
{
    StoreSamples();
    std::filesystem::path folder = std::filesystem::path(WARDEX_SOURCE_DIR) / "Languages";
    for (std::string language : {"English", "French", "German"}) {
        ASSERT_TRUE(Translator::Global().LoadLanguage(folder / (language + ".txt"),
                                                      folder / "English.txt"));
        for (int stack : {0, 1}) {
            FindConfigNode(*tree, {"Program", "Configuration", "System", "iStackWnd"})
                ->SetInt(stack);
            QWidget* shown = nullptr;
            PresentationWindowLogic logic(*tree, *database, [&](PresentationWindowLogic& owner) {
                auto window = std::make_unique<QtPresentationWindow>(owner, *tree, *database,
                                                                     handling->Windows());
                shown = window.get();
                return window;
            });
            logic.Enter(false);
            ASSERT_TRUE(QTest::qWaitForWindowExposed(shown));
            std::string name = "presentation-" + std::string(stack ? "stack-" : "") + language;
            Save(*shown, (name + ".png").c_str());
            QGuiApplication::primaryScreen()->grabWindow(0).save(
                PicturePath((name + "-screen.png").c_str()));
        }
    }
    Translator::Global().Clear();
}

} // namespace
