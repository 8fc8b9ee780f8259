// The system, user and language pages of the configuration sheet, the user
// and test-mail dialogs and the log-in dialog: their controls, what they
// write into the tree, and what the sheet lays back on Abbrechen.
#include "ConfigPagesFixture.h"
#include "db/ConfigPath.h"
#include "links/LinksTestSupport.h"
#include "station/Station.h"
#include "station/StationFakes.h"
#include "station/StationFolders.h"
#include "telegram/TelegramEncoder.h"
#include "testsupport/FakeBeeper.h"
#include "testsupport/FakeSoundPlayer.h"
#include "testsupport/LoopbackSend.h"
#include "ui/LogInDialogs.h"
#include "ui/config/ConfigurationSheet.h"
#include "ui/config/EscalationPage.h"
#include "ui/config/LanguagePage.h"
#include "ui/config/SystemPage.h"
#include "ui/config/TestMailDialog.h"
#include "ui/config/UserDialog.h"
#include "ui/config/UserPage.h"
#include "users/UserAccounts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <fstream>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

class SheetPagesTest : public ConfigPagesTest {
protected:
    void SetUp() override { CreateBuiltInAccount(*tree); }

    ConfigNode* System(std::string_view key)
    {
        return FindConfigNode(*tree, {"Program", "Configuration", "System", key});
    }
    std::string NextLanguage()
    {
        return FindConfigNode(*tree, {"Program", "Configuration", "MISC", "LanguageForNextStartUp"})
            ->GetString();
    }
    template <typename T>
    static T* Find(QWidget& root, const char* name)
    {
        T* widget = root.findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    FakeSoundPlayer sound;
    FakeBeeper speaker;
};

TEST_F(SheetPagesTest, EachControlOfTheSystemPageEditsACopyThatOkApplies)
{
    SystemPage page(*tree, prompt, &sound, &speaker);
    auto held = [&page](const char* key) { return page.Values().Child(key); };
    std::string server = System("mailSMTPServer")->GetString();
    for (auto [key, text] : {std::pair{"mailSMTPServer", "mail.example.org:2525"},
                             {"mailAuthUser", "wache"},
                             {"mailAuthPassword", "geheim"},
                             {"SndPrio3", "/srv/sirene.wav"},
                             {"strForwardAllowed", "relay.example;127.0.0.2"}}) {
        Find<QLineEdit>(page, key)->setText(text);
        EXPECT_EQ(held(key)->GetString(), text) << key;
    }
    for (const char* key : {"mailDoAuth", "pcspkPlaySound", "iStackWnd", "iPinAlarmWnd",
                            "iSizeAlarmWnd", "iEnableMaxAge", "iEnableMaxAlarms"}) {
        int before = held(key)->GetInt();
        Find<QCheckBox>(page, key)->click();
        EXPECT_EQ(held(key)->GetInt(), 1 - before) << key;
    }
    for (auto [key, value] : {std::pair{"iBupInterval", 0},
                              {"iBupMaxAnz", 7},
                              {"iNumMaxAlarms", 250},
                              {"iMaxAge", 30},
                              {"pcspkMilliSeconds", 120}}) {
        Find<QSpinBox>(page, key)->setValue(value);
        EXPECT_EQ(held(key)->GetInt(), value) << key;
    }
    Find<QComboBox>(page, "pcspkFrequ")->setCurrentIndex(3);
    EXPECT_EQ(held("pcspkFrequ")->GetInt(), 3);
    // Nothing reached the tree before the page is applied.
    EXPECT_EQ(System("mailSMTPServer")->GetString(), server);
    page.Apply();
    for (int i = 0; i < page.Values().ChildCount(); ++i) {
        const ConfigNode& value = *page.Values().ChildAt(i);
        EXPECT_EQ(System(value.Name())->GetString(), value.GetString()) << value.Name();
    }
}

TEST_F(SheetPagesTest, TheBoxesEnableTheirFields)
{
    SystemPage page(*tree, prompt, &sound, &speaker);
    auto* user = Find<QLineEdit>(page, "mailAuthUser");
    EXPECT_FALSE(user->isEnabled());
    EXPECT_EQ(Find<QLineEdit>(page, "mailAuthPassword")->echoMode(), QLineEdit::Password);
    Find<QCheckBox>(page, "mailDoAuth")->click();
    EXPECT_TRUE(user->isEnabled());
    EXPECT_TRUE(Find<QSpinBox>(page, "iNumMaxAlarms")->isEnabled());
    EXPECT_FALSE(Find<QSpinBox>(page, "iMaxAge")->isEnabled());
}

TEST_F(SheetPagesTest, SoundsAreChosenTriedAndClearedAndTheSpeakerTried)
{
    SystemPage page(*tree, prompt, &sound, &speaker);
    page.SetFileChooser([](const QString&) { return QString("/srv/gong.wav"); });
    Button(page, "Choose2")->click();
    EXPECT_EQ(page.Values().Child("SndPrio2")->GetString(), "/srv/gong.wav");
    Button(page, "Play2")->click();
    EXPECT_EQ(sound.playing, "/srv/gong.wav");
    EXPECT_TRUE(Button(page, "Play2")->isChecked());
    Button(page, "Play2")->click();
    EXPECT_EQ(sound.playing, "");
    // Without a sound device the button says so instead of doing nothing.
    sound.playable = false;
    Button(page, "Play2")->click();
    EXPECT_FALSE(Button(page, "Play2")->isChecked());
    ASSERT_EQ(prompt.shown.size(), 1U);
    EXPECT_NE(prompt.shown[0].text.find("kein Tonausgabegeraet.\n/srv/gong.wav"),
              std::string::npos);
    Button(page, "Clear2")->click();
    EXPECT_EQ(page.Values().Child("SndPrio2")->GetString(), "");

    Find<QComboBox>(page, "pcspkFrequ")->setCurrentIndex(3);
    Find<QSpinBox>(page, "pcspkMilliSeconds")->setValue(300);
    Button(page, "TrySpeaker")->click();
    EXPECT_EQ(speaker.tones,
              (std::vector<FakeBeeper::PlayedTone>{{250, 100}, {500, 100}, {1000, 100}}));
}

TEST_F(SheetPagesTest, AbbrechenDropsWhatThePagesChangedAndOkAppliesIt)
{
    TempDir languages;
    std::ofstream(languages.Path() / "English.txt") << "";
    std::vector<SheetPage> pages = {SheetPage::User, SheetPage::Language, SheetPage::System};
    for (bool ok : {false, true}) {
        SheetServices services{&sound, &speaker, languages.Path(), {}};
        ConfigurationSheet sheet(*tree, prompt, pages, options, nullptr, services);
        ASSERT_NE(sheet.System(), nullptr);
        Find<QLineEdit>(*sheet.System(), "mailSMTPServer")->setText("mail.example.org");
        QListWidget* list = sheet.Languages()->List();
        list->setCurrentRow(list->count() - 1);
        WhenModal<UserDialog>([](UserDialog& dialog) {
            Find<QLineEdit>(dialog, "Name")->setText("wache");
            Button(dialog, "Ok")->click();
        });
        Button(*sheet.Users(), "New")->click();
        EXPECT_EQ(sheet.Users()->Table()->rowCount(), 2);
        // Nothing reaches the tree before OK.
        EXPECT_EQ(System("mailSMTPServer")->GetString(), "");
        EXPECT_EQ(NextLanguage(), "German");
        EXPECT_FALSE(UserExists(*tree, "wache"));
        if (ok)
            sheet.accept();
        else
            sheet.reject();
        EXPECT_EQ(System("mailSMTPServer")->GetString(), ok ? "mail.example.org" : "");
        EXPECT_EQ(NextLanguage(), ok ? "English" : "German");
        EXPECT_EQ(UserExists(*tree, "wache"), ok);
    }
}

TEST_F(SheetPagesTest, TheEscalationPageAppliesItsCopyOnlyAtOk)
{
    ConfigNode* folder = FindConfigNode(*tree, {"Program", "Configuration", "Escalation"});
    for (bool ok : {false, true}) {
        ConfigurationSheet sheet(*tree, prompt, {SheetPage::Escalation}, options);
        EscalationPage& page = *sheet.Escalation();
        page.PostponeBox()->setValue(900);
        // Two steps for priority 2, typed after looking at priority 1.
        page.PriorityChoice()->setCurrentIndex(2);
        page.findChild<QCheckBox*>("Step1_0")->setChecked(true);
        page.findChild<QSpinBox*>("Step1_1")->setValue(45);
        page.findChild<QLineEdit*>("Step1_5")->setText("chef@example.org");
        page.findChild<QCheckBox*>("Step2_0")->setChecked(true);
        page.findChild<QComboBox*>("Step2_4")->setCurrentIndex(4);
        page.PriorityChoice()->setCurrentIndex(0);
        // Nothing reaches the tree before OK.
        EXPECT_EQ(ReadEscalationSettings(*folder).postponeSeconds, 300);
        if (ok)
            sheet.accept();
        else
            sheet.reject();
        EscalationSettings saved = ReadEscalationSettings(*folder);
        EXPECT_EQ(saved.postponeSeconds, ok ? 900 : 300);
        ASSERT_EQ(saved.chains[2].size(), ok ? 2u : 0u);
        if (!ok)
            continue;
        EXPECT_EQ(saved.chains[2][0].afterSeconds, 45);
        EXPECT_EQ(saved.chains[2][0].mailTo, "chef@example.org");
        EXPECT_EQ(saved.chains[2][1].afterSeconds, 120);
        EXPECT_EQ(saved.chains[2][1].speaker, 3);
        // Shown again, as saved.
        EscalationPage again(*tree);
        again.PriorityChoice()->setCurrentIndex(2);
        EXPECT_EQ(again.findChild<QLineEdit*>("Step1_5")->text(), "chef@example.org");
        EXPECT_FALSE(again.findChild<QCheckBox*>("Step3_0")->isChecked());
    }
}

TEST_F(SheetPagesTest, TheCountCacheResetAsksAndEndsTheSheet)
{
    for (PromptAnswer answer : {PromptAnswer::Cancel, PromptAnswer::Ok}) {
        ConfigurationSheet sheet(*tree, prompt, {SheetPage::System}, options);
        sheet.show();
        prompt.SetNextAnswer(answer);
        Button(*sheet.System(), "ResetCountCache")->click();
        EXPECT_EQ(prompt.shown.back().text, "Datenbank-Cache zuruecksetzen und Wardex beenden?");
        EXPECT_EQ(prompt.shown.back().caption, "Frage:");
        bool reset = answer == PromptAnswer::Ok;
        EXPECT_EQ(sheet.CountCacheResetRequested(), reset);
        EXPECT_EQ(sheet.isVisible(), !reset);
    }
}

TEST_F(SheetPagesTest, TheUserPageShowsTheColumnsAndGuardsTheAdministrator)
{
    UserPage page(*tree, prompt);
    QTableWidget* table = page.Table();
    const std::vector<std::pair<const char*, int>> columns = {{"", 40},
                                                              {"Name", 75},
                                                              {"Passwort", 80},
                                                              {"Alarme loeschen", 100},
                                                              {"Benutzer bearbeiten", 110},
                                                              {"Rekorder bearbeiten", 130},
                                                              {"System bearbeiten", 100}};
    for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
        EXPECT_EQ(table->horizontalHeaderItem(c)->text(), Q(columns[c].first));
        EXPECT_GE(table->columnWidth(c), columns[c].second);
    }
    EXPECT_EQ(table->item(0, 0)->text(), "[D] [L]");
    EXPECT_EQ(table->item(0, 2)->text(), "********");
    EXPECT_FALSE(Button(page, "Edit")->isEnabled());
    EXPECT_TRUE(Button(page, "New")->isEnabled());
    table->selectRow(0);
    EXPECT_TRUE(Button(page, "Edit")->isEnabled());
    EXPECT_FALSE(Button(page, "Delete")->isEnabled());
}

TEST_F(SheetPagesTest, ANewUserIsCheckedThenStoredAsTheNewDefaultOnlyWhenTicked)
{
    UserPage page(*tree, prompt);
    WhenModal<UserDialog>([this](UserDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Neuen Benutzer anlegen");
        EXPECT_FALSE(Find<QCheckBox>(dialog, "IsDefUser")->isChecked());
        Find<QCheckBox>(dialog, "IsDefUser")->click();
        EXPECT_FALSE(Find<QLabel>(dialog, "DefaultNote")->isVisible());
        Find<QLineEdit>(dialog, "Name")->setText("Wache");
        Find<QLineEdit>(dialog, "Password")->setText("abc");
        Find<QLineEdit>(dialog, "PasswordRepeat")->setText("abd");
        Find<QCheckBox>(dialog, "RTDelAlarm")->click();
        Button(dialog, "Ok")->click();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(prompt.shown.back().text,
                  "Die Passwort-Wiederholung stimmt nicht mit dem Passwort ueberein");
        EXPECT_EQ(dialog.focusWidget(), Find<QLineEdit>(dialog, "PasswordRepeat"));
        EXPECT_EQ(Find<QLineEdit>(dialog, "PasswordRepeat")->selectedText(), "abd");
        Find<QLineEdit>(dialog, "PasswordRepeat")->setText("abc");
        Button(dialog, "Ok")->click();
        EXPECT_FALSE(dialog.isVisible());
    });
    Button(page, "New")->click();
    page.Apply();
    ConfigNode* wache = FindUser(*tree, "wache");
    ASSERT_NE(wache, nullptr);
    EXPECT_EQ(wache->Child("Password")->GetString(), "abc");
    EXPECT_EQ(wache->Child("RTDelAlarm")->GetInt(), 1);
    EXPECT_EQ(wache->Child("RTExitWardex")->GetInt(), 0);
    EXPECT_TRUE(IsDefaultUser(*tree, "wache"));
    EXPECT_EQ(page.Table()->rowCount(), 2);
}

TEST_F(SheetPagesTest, TheAdministratorKeepsNameRightsAndItsLongPassword)
{
    UserPage page(*tree, prompt);
    page.Table()->selectRow(0);
    WhenModal<UserDialog>([this](UserDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Benutzer bearbeiten");
        EXPECT_FALSE(Find<QLineEdit>(dialog, "Name")->isEnabled());
        EXPECT_FALSE(Find<QCheckBox>(dialog, "RTEditSystem")->isEnabled());
        EXPECT_TRUE(Find<QCheckBox>(dialog, "RTEditSystem")->isChecked());
        EXPECT_FALSE(Find<QCheckBox>(dialog, "IsDefUser")->isEnabled());
        EXPECT_TRUE(Find<QLabel>(dialog, "DefaultNote")->isVisible());
        EXPECT_EQ(Find<QLineEdit>(dialog, "Password")->text(), "quorvandelisk");
        Button(dialog, "Ok")->click();
    });
    Button(page, "Edit")->click();
    EXPECT_TRUE(CheckPassword(*tree, "administrator", "quorvandelisk"));
}

TEST_F(SheetPagesTest, LogInTakesTheBuiltInThirteenCharacterPassword)
{
    QWidget parent;
    LogInDialogs dialogs(&parent);
    WhenModal<QDialog>([](QDialog& dialog) {
        QList<QLineEdit*> edits = dialog.findChildren<QLineEdit*>();
        ASSERT_EQ(edits.size(), 2);
        edits[0]->setText("Administrator");
        edits[1]->setText("quorvandelisk!");
        EXPECT_EQ(edits[1]->placeholderText(), "hoechstens 13 Zeichen");
        QDir().mkpath(WARDEX_SCREENSHOT_DIR);
        dialog.grab().save(QString(WARDEX_SCREENSHOT_DIR) + "/log-in.png", "PNG");
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    std::string typed;
    EXPECT_TRUE(dialogs.RunLogIn(
        [&](const std::string&, const std::string& password) {
            typed = password;
            return true;
        },
        13));
    EXPECT_EQ(typed, "quorvandelisk");
}

TEST_F(SheetPagesTest, TheLanguagePageOffersTheFilesAndNotesTheNextStart)
{
    TempDir folder;
    for (const char* file : {"English.txt", "French.txt", "German.txt", "liesmich.md"})
        std::ofstream(folder.Path() / file) << "";
    LanguagePage page(*tree, folder.Path());
    QStringList offered;
    for (int row = 0; row < page.List()->count(); ++row)
        offered << page.List()->item(row)->data(Qt::UserRole).toString();
    EXPECT_EQ(offered, (QStringList{"German", "English", "French"}));
    EXPECT_EQ(page.List()->currentRow(), 0);
    page.List()->setCurrentRow(2);
    page.Apply();
    EXPECT_EQ(NextLanguage(), "French");
    EXPECT_EQ(Find<QLabel>(page, "Note")->text(),
              "Die gewaehlte Sprache gilt ab dem naechsten Start von Wardex.");
}

TEST_F(SheetPagesTest, TheLanguagePageOffersWhatTheStationsOwnLookupFinds)
{
    for (int lookup = 0; lookup < 3; ++lookup) { // data folder, beside the program, installed
        TempDir root;
        FolderSources sources{(root.Path() / "data").string(), root.Path() / "bin", {}, {}};
        std::filesystem::path languages[] = {root.Path() / "data" / "Languages",
                                             sources.executableFolder / "Languages",
                                             InstalledLanguagesFolder(sources.executableFolder)};
        std::filesystem::create_directories(languages[lookup]);
        for (const char* file : {"English.txt", "French.txt"})
            std::ofstream(languages[lookup] / file) << "";
        LanguagePage page(*tree, ChooseStationFolders(sources).languages);
        EXPECT_EQ(page.List()->count(), 3) << lookup;
    }
}

namespace {

// A loopback port that nothing listens on.
int ClosedPort()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

} // namespace

TEST_F(SheetPagesTest, TheTestMailDialogReportsWhatARealServerSaid)
{
    struct Case {
        std::vector<std::string> serverOptions;
        bool auth;
        bool serverRuns;
        std::vector<int> statuses;
    };
    for (const Case& c :
         {Case{{}, false, true, {0}}, Case{{"--auth", "wache:richtig"}, true, true, {7}},
          Case{{}, false, false, {2, 5}}}) {
        TempDir mails;
        SmtpServer server(mails.Path().string(), c.serverOptions);
        ASSERT_TRUE(server.IsReady());
        System("mailSMTPServer")
            ->SetString(c.serverRuns ? server.Address()
                                     : "127.0.0.1:" + std::to_string(ClosedPort()));
        System("mailDoAuth")->SetInt(c.auth ? 1 : 0);
        System("mailAuthUser")->SetString("wache");
        System("mailAuthPassword")->SetString("falsch");
        int status = -1;
        WhenModal<TestMailDialog>([&](TestMailDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "SMTP-Einstellungen/E-Mail testen");
            QSignalSpy shown(&dialog, &TestMailDialog::ResultShown);
            if (!dialog.Finished()) {
                EXPECT_TRUE(shown.wait(30'000));
            }
            status = dialog.Test().Status();
            EXPECT_EQ(dialog.Test().Icon(),
                      status == 0 ? TestMailIcon::Success : TestMailIcon::Error);
            EXPECT_EQ(dialog.StatusText().toStdString(),
                      SmtpTestMail::ResultText(status, dialog.Test().CurrentSettings().server,
                                               "rx@example.org"));
            Button(dialog, "Ok")->click();
        });
        RunTestMail(*tree->TopFolder("Program")->Child("Configuration")->Child("System"), prompt,
                    " station@example.org ", "rx@example.org", nullptr);
        EXPECT_NE(std::find(c.statuses.begin(), c.statuses.end(), status), c.statuses.end())
            << status;
        EXPECT_EQ(std::filesystem::exists(mails.Path() / "message-1.eml"), status == 0);
    }
}

// End to end: the mail server typed on the system page and saved with OK is
// what the station program uses for the mail of its next alarm.
TEST_F(SheetPagesTest, TheMailServerSavedOnTheSystemPageGetsTheNextAlarmsMail)
{
    TempDir mails;
    SmtpServer server(mails.Path().string());
    ASSERT_TRUE(server.IsReady());
    TempDir station;
    std::filesystem::copy(std::filesystem::path(WARDEX_SOURCE_DIR) / "Languages",
                          station.Path() / "Languages");
    ConfigNode* entry = FirstOfType(*AddRecorder(*tree, "Lager", "127.0.0.1"), 10001);
    entry->Child("ShowAlarmWindow")->SetInt(1);
    entry->Child("mailDoSendMail")->SetInt(1);
    entry->Child("mailFromAddress")->SetString("station@example.org");
    entry->Child("mailToAddress")->SetString("wache@example.org");
    {
        ConfigurationSheet sheet(*tree, prompt, {SheetPage::System}, options);
        Find<QLineEdit>(*sheet.System(), "mailSMTPServer")
            ->setText(QString::fromStdString(server.Address()));
        sheet.accept();
    }
    ASSERT_EQ(tree->SaveImage((station.Path() / "programdata.bin").string()), 0);

    ChildProcess wardex(WARDEX_STATION_BINARY, {"/datadir:" + station.Path().string(), "/port:0"});
    std::string line;
    ASSERT_TRUE(wardex.WaitForLine(
        [](const std::string& text) {
            return text.find("listening on port ") != std::string::npos;
        },
        line));
    int port = std::stoi(line.substr(line.find("port ") + 5));
    TelegramFields fields;
    fields.typeCode = 10001;
    ASSERT_TRUE(SendToLoopback(port, EncodeTelegram(fields)));
    std::filesystem::path mail = mails.Path() / "message-1.eml";
    for (int i = 0; i < 600 && !std::filesystem::exists(mail); ++i)
        QTest::qWait(50);
    int status = wardex.Stop(SIGTERM);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_TRUE(std::filesystem::exists(mail));
    std::ifstream envelope(mails.Path() / "envelope-1.txt");
    std::string from;
    std::getline(envelope, from);
    EXPECT_EQ(from, "station@example.org");
}

// The sheet as the main window runs it on a running station: OK with the
// system page schedules, and the confirmed cache reset ends the station
// without writing "db.cache".
TEST_F(SheetPagesTest, TheConfirmedCacheResetEndsTheStationWithoutTheCountCache)
{
    TempDir folder;
    std::filesystem::copy(std::filesystem::path(WARDEX_SOURCE_DIR) / "Languages",
                          folder.Path() / "Languages");
    FakeDesktop desktop;
    ConfigTree stationTree;
    int scheduled = 0;
    desktop.onRound = [&](Station& s) {
        if (desktop.rounds != 1)
            return;
        WhenModal<ConfigurationSheet>(
            [](ConfigurationSheet& sheet) { Button(*sheet.System(), "ResetCountCache")->click(); });
        EXPECT_TRUE(RunConfigurationSheet(s, {SheetPage::System}, nullptr, [&] { ++scheduled; }));
    };
    Station station(CommandLine("/datadir:" + folder.Path().string() + " /port:0"), desktop,
                    stationTree);
    ASSERT_EQ(station.Run(), StationExit::Normal);
    EXPECT_EQ(scheduled, 1);
    EXPECT_LT(desktop.rounds, 100);
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "db.cache"));
    EXPECT_TRUE(std::filesystem::exists(folder.Path() / "AlarmDB.txt"));
}
