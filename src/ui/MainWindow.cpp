#include "ui/MainWindow.h"

#include "alarm/AlarmHandling.h"
#include "alarm/AlarmWindowManager.h"
#include "audit/AuditTrail.h"
#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/Timestamp.h"
#include "config/Translator.h"
#include "db/AlarmDatabase.h"
#include "db/DatabaseMaintenance.h"
#include "events/EventDecoder.h"
#include "events/RecorderStateBoard.h"
#include "filters/FilterController.h"
#include "net/StationPump.h"
#include "station/RecorderOverview.h"
#include "station/Station.h"
#include "station/StationDesktop.h"
#include "ui/PresentationWindow.h"
#include "ui/WindowClock.h"
#include "ui/about/AboutDialog.h"
#include "ui/alarms/AlarmListColumns.h"
#include "ui/alarms/AlarmListModel.h"
#include "ui/alarms/AlarmListParts.h"
#include "ui/alarms/AlarmListView.h"
#include "ui/alarms/QtAlarmWindowFactory.h"
#include "ui/audit/AuditViewer.h"
#include "ui/config/ConfigurationSheet.h"
#include "ui/diagrams/DiagramWindows.h"
#include "ui/diagrams/ResponseTimesWindow.h"
#include "ui/filters/FilterDialog.h"
#include "ui/forwarding/ForwardingWindow.h"
#include "ui/health/RecorderStatusWindow.h"
#include "ui/print/AlarmListCommands.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QMetaObject>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QVBoxLayout>
#include <tuple>

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

MainWindow::MainWindow(Station& station, Beeper& beeper)
    : m_station(station), m_dialogs(this),
      m_users(station.Tree(), m_dialogs, station.Desktop().Messages(), beeper),
      m_alarmWindows(std::make_unique<QtAlarmWindowFactory>())
{
    SetWindowClock(&station.StationClock());
    m_users.SetAudit(station.Audit());
    m_logic = std::make_unique<MainWindowLogic>(station, *this, m_users);
    setWindowTitle(Text(Tr("Wardex")));
    setWindowIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning));
    resize(1000, 600);

    auto* listPlace = new QWidget(this);
    listPlace->setObjectName("AlarmListPlace");
    auto* listLayout = new QVBoxLayout(listPlace);
    AlarmHandling& alarms = m_logic->Alarms();
    m_list = new AlarmListView(AlarmListParts{station.Tree(), *station.Database(), alarms.Windows(),
                                              alarms.Sound(), m_users, station.Desktop().Messages(),
                                              m_logic->LiveView(), m_logic->Presentation(),
                                              station.Audit()},
                               listPlace);
    listLayout->addWidget(m_list);
    setCentralWidget(listPlace);
    m_filters = std::make_unique<FilterController>(station.Tree(), *station.Database(),
                                                   station.StationClock());
    m_filters->SetAudit(station.Audit());
    m_diagrams = std::make_unique<DiagramWindows>(station.Tree(), *station.Database(), *m_filters,
                                                  station.StationClock());

    m_userField = new QLabel(this);
    m_countField = new QLabel(this);
    m_noticeField = new QLabel(this);
    m_noticeField->setObjectName("HousekeepingNotice");
    m_noticeField->setStyleSheet("QLabel { color: #a00000; font-weight: bold; }");
    m_noticeField->hide();
    m_oldestField = new QLabel(this);
    m_oldestField->setObjectName("OldestUnconfirmed");
    m_oldestField->setContentsMargins(0, 0, 16, 0);
    m_oldestField->hide();
    m_mailField = new QLabel(this);
    m_mailField->setObjectName("MailQueueField");
    // Apart from the user name beside it.
    m_mailField->setContentsMargins(0, 0, 16, 0);
    m_mailField->hide();
    m_recorderField = new QLabel(this);
    m_recorderField->setObjectName("RecorderCountField");
    m_recorderField->setContentsMargins(0, 0, 16, 0);
    // The counts first, then a standing warning, the mail queue and the user.
    statusBar()->addWidget(m_countField, 1);
    statusBar()->addWidget(m_noticeField);
    statusBar()->addPermanentWidget(m_oldestField);
    statusBar()->addPermanentWidget(m_recorderField);
    statusBar()->addPermanentWidget(m_mailField);
    statusBar()->addPermanentWidget(m_userField);
    // Deleting, confirming and sorting in the list change the counts too.
    connect(m_list, &AlarmListView::StatusChanged, this, [this] { UpdateStatus(); });
    // One arrival costs the diagrams one record read.
    connect(&m_list->Model(), &AlarmListModel::Refreshed, this, [this] { m_diagrams->Follow(); });
    BuildMenus();
    BuildFilterBar();
    UpdateStatus();

    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_logic->Tick();
        UpdateMailQueueField();
        if (m_recorderStatus != nullptr)
            m_recorderStatus->Tick();
    });
}

MainWindow::~MainWindow()
{
    m_timer.stop();
    m_forwarding.reset();
    SetWindowClock(nullptr);
}

void MainWindow::ShowAuditTrail()
{
    // Modeless: alarms and the list go on while it is open, and it follows
    // what they write.
    if (m_auditViewer == nullptr) {
        m_auditViewer = new AuditViewer(m_station.ProgramFolder(), m_station.Audit(),
                                        m_station.Desktop().Messages(), this);
        m_auditViewer->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_auditViewer->show();
    m_auditViewer->raise();
    m_auditViewer->activateWindow();
}

void MainWindow::OpenForwarding(const std::string& startHost)
{
    if (m_forwarding != nullptr)
        return;
    // Presentation mode shows what this station handles; while it forwards,
    // it handles nothing.
    if (m_logic->Presentation().Exists())
        m_logic->Presentation().Leave();
    StationDesktop& desktop = m_station.Desktop();
    ForwardingParts parts{m_station.Tree(),
                          *m_station.Pump(),
                          *m_station.Decoder(),
                          desktop.Messages(),
                          desktop.Speaker(),
                          desktop.Busy(),
                          m_station.StationClock(),
                          m_station.ProgramFolder(),
                          [this] { m_logic->SettingsApplied(); },
                          m_station.Sessions(),
                          m_station.Audit(),
                          m_station.Options().IntValue("forwardretry", 0)};
    if (AuditTrail* audit = m_station.Audit())
        audit->Record("mode-forwarding", "on", {{"host", startHost}});
    m_forwarding = std::make_unique<ForwardingWindow>(std::move(parts), [this] {
        if (AuditTrail* audit = m_station.Audit())
            audit->Record("mode-forwarding", "off");
        // Deleted from the loop, not inside its own close handler.
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_forwarding.reset();
                RestoreFromTray();
            },
            Qt::QueuedConnection);
    });
    if (m_tray != nullptr)
        m_tray->hide();
    hide();
    m_forwarding->show();
    if (!startHost.empty())
        m_forwarding->StartWith(startHost);
}

void MainWindow::EndForwarding()
{
    if (m_forwarding != nullptr)
        m_forwarding->EndForwarding();
}

void MainWindow::ShowResponseTimes()
{
    ResponseLog& log = m_logic->Alarms().Responses();
    log.Flush();
    std::array<int32_t, 3> targets{30, 60, 90};
    {
        ConfigTree& tree = m_station.Tree();
        ConfigLock lock(tree);
        if (ConfigNode* folder = Find(tree, kEscalationFolder))
            targets = ReadEscalationSettings(*folder).targetSeconds;
    }
    auto* window = new ResponseTimesWindow(log.Path(), targets, m_station.StationClock(), this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

void MainWindow::BuildMenus()
{
    QMenu* station = menuBar()->addMenu(Text(Tr("&Wardex")));
    station->addAction(Text(Tr("An-/Abmelden")), this, [this] {
        if (m_logic->RefusedWhileAlarmOpen())
            return;
        m_logic->EnterBusy();
        m_users.LogInOrOut();
        m_logic->LeaveBusy();
        m_logic->SettingsApplied();
        UpdateStatus();
    });
    station->addAction(Text(Tr("Konfiguration...")), this, [this] {
        if (m_logic->RefusedWhileAlarmOpen())
            return;
        m_logic->EnterBusy();
        bool accepted = RunConfigurationSheet(
            m_station, m_users.SheetPages(), this,
            [this] { m_logic->Maintenance().ScheduleFromSettings(); }, StationSheetServices());
        m_logic->LeaveBusy();
        if (accepted) {
            m_logic->ConfigurationAccepted();
            LoadFilters();
        }
    });
    station->addAction(Text(Tr("Alle Datensaetze der Ansicht markieren")), this, [this] {
        m_logic->MarkViewedRecords();
        // The marks themselves do not show in the list: the rows they went
        // to are selected, as the list's own "Alle auswaehlen" does.
        m_list->SelectAll();
    });
    // Like the language and diagram pages, editing filters needs no right.
    station->addAction(Text(Tr("Filter bearbeiten...")), this, [this] { EditFilters(); });
    station->addSeparator();
    station->addAction(Text(Tr("Drucken...")), this,
                       [this] { RunListCommand([](auto& parts) { PrintAlarmList(parts); }); });
    station->addAction(Text(Tr("Als PDF speichern...")), this,
                       [this] { RunListCommand([](auto& parts) { SaveAlarmListPdf(parts); }); });
    station->addAction(Text(Tr("Als CSV speichern...")), this,
                       [this] { RunListCommand([](auto& parts) { SaveAlarmListCsv(parts); }); });
    station->addAction(Text(Tr("Protokoll...")), this, [this] {
        if (m_users.MayViewAudit())
            ShowAuditTrail();
    });
    station->addAction(Text(Tr("Weiterleitungs Modus...")), this, [this] {
        if (m_users.MayForward())
            OpenForwarding();
    });
    station->addSeparator();
    station->addAction(Text(Tr("Beenden")), this, [this] { close(); });

    // The entries a system menu would carry, in the same order.
    QMenu* windows = menuBar()->addMenu(Text(Tr("&Fenster")));
    m_presentationAction = windows->addAction(QString(), this, [this] { EnterPresentation(); });
    m_alwaysOnTop = windows->addAction(Text(Tr("&Immer im Vordergrund")));
    m_alwaysOnTop->setCheckable(true);
    connect(m_alwaysOnTop, &QAction::toggled, this, [this](bool on) {
        setWindowFlag(Qt::WindowStaysOnTopHint, on);
        show();
    });
    windows->addSeparator();
    AlarmWindowManager& alarmWindows = m_logic->AlarmWindows();
    windows->addAction(Text(Tr("&Alarmfenster minimieren")), this,
                       [&alarmWindows] { alarmWindows.MinimiseAll(); });
    windows->addAction(Text(Tr("&Alarmfenster wiederherstellen")), this,
                       [&alarmWindows] { alarmWindows.RestoreAll(); });
    windows->addAction(Text(Tr("&Alarmfenster verbergen")), this,
                       [&alarmWindows] { alarmWindows.HideAll(); });
    windows->addAction(Text(Tr("&Alarmfenster anzeigen")), this,
                       [&alarmWindows] { alarmWindows.ShowAll(); });

    QMenu* view = menuBar()->addMenu(Text(Tr("&Ansicht")));
    view->addAction(Text(Tr("Balkendiagramm...")), this, [this] { m_diagrams->ShowBarDiagram(); });
    view->addAction(Text(Tr("Trend...")), this, [this] { m_diagrams->ShowTrend(); });
    view->addAction(Text(Tr("Reaktionszeiten...")), this, [this] { ShowResponseTimes(); });
    view->addAction(Text(Tr("Rekorderstatus...")), this, [this] { ShowRecorderStatus(); });

    QMenu* help = menuBar()->addMenu(Text(Tr("&Hilfe")));
    help->addAction(Text(Tr("Info ueber Wardex...")), this, [this] {
        m_logic->EnterBusy();
        AboutDialog(this).exec();
        m_logic->LeaveBusy();
    });
}

void MainWindow::BuildFilterBar()
{
    QToolBar* bar = addToolBar(Text(Tr("Filter")));
    bar->setMovable(false);
    m_filterToggle = new QCheckBox(Text(Tr("Filter anwenden:")), bar);
    m_filterSelector = new QComboBox(bar);
    m_filterSelector->setMinimumContentsLength(24);
    bar->addWidget(m_filterToggle);
    bar->addWidget(m_filterSelector);
    connect(m_filterToggle, &QCheckBox::toggled, this, [this](bool on) {
        m_filters->SetFiltering(on ? Filtering::On : Filtering::Off);
        // On again after a recorder's alarms, without a filter to go on with.
        {
            QSignalBlocker blockToggle(m_filterToggle);
            QSignalBlocker blockSelector(m_filterSelector);
            m_filterToggle->setEnabled(m_filters->ControlsEnabled());
            m_filterToggle->setChecked(m_filters->State() == Filtering::On);
            m_filterSelector->setCurrentIndex(m_filters->Selected());
        }
        RefreshAlarmList();
        m_diagrams->Rebuild();
        m_logic->SettingsApplied();
    });
    connect(m_filterSelector, &QComboBox::activated, this, [this](int index) {
        m_filters->Select(index);
        RefreshAlarmList();
        m_diagrams->Rebuild();
        m_logic->SettingsApplied();
    });
    LoadFilters();
}

void MainWindow::LoadFilters()
{
    m_filters->LoadFilters();
    QSignalBlocker blockToggle(m_filterToggle);
    QSignalBlocker blockSelector(m_filterSelector);
    m_filterSelector->clear();
    for (const std::string& name : m_filters->Names())
        m_filterSelector->addItem(Text(name));
    m_filterSelector->setCurrentIndex(m_filters->Selected());
    m_filterToggle->setChecked(m_filters->State() == Filtering::On);
    m_filterToggle->setEnabled(m_filters->ControlsEnabled());
    m_filterSelector->setEnabled(m_filters->ControlsEnabled());
    RefreshAlarmList();
    m_diagrams->Rebuild();
}

void MainWindow::EditFilters()
{
    m_logic->EnterBusy();
    FilterDialog dialog(m_station.Tree(), *m_station.Database(), m_station.Desktop().Messages(),
                        m_station.StationClock(), this);
    bool saved = dialog.exec() == QDialog::Accepted && dialog.Saved();
    m_logic->LeaveBusy();
    if (!saved)
        return;
    LoadFilters();
    m_logic->SettingsApplied();
}

void MainWindow::RunListCommand(const std::function<void(const AlarmListCommandParts&)>& command)
{
    m_logic->EnterBusy();
    command(AlarmListCommandParts{*m_list, *m_station.Database(), m_station.Tree(),
                                  m_station.Desktop().Messages(), m_station.StationClock(), this,
                                  m_filters->DescribeApplied(m_station.StationClock().NowMs()),
                                  m_station.Audit()});
    m_logic->LeaveBusy();
}

void MainWindow::EnterPresentation()
{
    if (m_logic->Presentation().Exists() || m_logic->RefusedWhileAlarmOpen())
        return;
    m_logic->EnterPresentationMode(false);
}

void MainWindow::PresentationEntered()
{
    m_list->SaveColumns();
    // While presenting, the list is in priority order.
    m_list->Model().Resort();
    // Hidden even without a tray: closing the presentation window brings it
    // back.
    m_inTray = true;
    if (QSystemTrayIcon::isSystemTrayAvailable())
        ShowTrayIcon();
    hide();
}

void MainWindow::ShowOldestUnconfirmed(const std::string& text)
{
    m_oldestField->setText(Text(text));
    m_oldestField->setVisible(!text.empty());
}

void MainWindow::ShowRecorderStatus()
{
    if (m_recorderStatus == nullptr) {
        m_recorderStatus = new RecorderStatusWindow(m_station, *m_logic, this);
        connect(m_recorderStatus, &RecorderStatusWindow::RecorderChosen, this,
                &MainWindow::ShowAlarmsOfRecorder);
    }
    m_recorderStatus->show();
    m_recorderStatus->raise();
    m_recorderStatus->activateWindow();
}

void MainWindow::ShowAlarmsOfRecorder(const QString& name)
{
    m_filters->ShowOnlyRecorder(name.toStdString());
    {
        QSignalBlocker blockToggle(m_filterToggle);
        QSignalBlocker blockSelector(m_filterSelector);
        m_filterToggle->setEnabled(true);
        m_filterToggle->setChecked(true);
        m_filterSelector->setCurrentIndex(-1);
    }
    RefreshAlarmList();
    m_diagrams->Rebuild();
    raise();
    activateWindow();
}

void MainWindow::RecorderStatesChanged()
{
    RecorderStateBoard* board = m_station.RecorderStates();
    m_recorderField->setText(Text(RecorderCountsText(board->Counts())));
    if (m_recorderStatus != nullptr)
        m_recorderStatus->StatesChanged();
}

void MainWindow::ShowHousekeepingNotice(const std::string& text)
{
    m_noticeField->setText(Text(text));
    m_noticeField->setVisible(!text.empty());
}

SheetServices MainWindow::StationSheetServices()
{
    SheetServices services;
    services.maintenance = &m_logic->Maintenance();
    services.mailQueueStatus = [this] { return m_logic->MailQueueStatus(); };
    return services;
}

bool MainWindow::StoreWindowLayout()
{
    ConfigTree& tree = m_station.Tree();
    ConfigNode* mode = Find(tree, kLastShutDownWindowMode);
    auto layout = [&] {
        return std::tuple(ReadColumnWidths(tree), ReadColumnOrder(tree), mode->GetInt());
    };
    auto before = layout();
    m_list->SaveColumns();
    SaveWindowMode();
    return layout() != before;
}

void MainWindow::UpdateStatus()
{
    bool stack = Get(m_station.Tree(), kStackWindows) != 0;
    if (m_presentationAction != nullptr)
        m_presentationAction->setText(
            Text(stack ? Tr("Alarmstack Modus...") : Tr("Praesentations Modus...")));
    m_userField->setText(Text(m_users.StatusText()));
    m_countField->setText(Text(m_list->StatusText()));
}

void MainWindow::UpdateMailQueueField()
{
    // Asked every tick; the label changes only when the text does.
    bool show = !m_logic->MailQueueEmpty();
    QString text = show ? Text(m_logic->MailQueueStatus()) : QString();
    if (text == m_mailField->text())
        return;
    m_mailField->setText(text);
    m_mailField->setVisible(show);
}

void MainWindow::Start()
{
    m_logic->Initialise();
    m_logic->RefreshAlarmList();
    m_timer.start(MainWindowLogic::kTickMs);
    // Started presenting ("/present", "/presentation_mode 1"): already hidden.
    if (m_logic->Presentation().Exists())
        return;
    if (m_station.FirstStart())
        FitToScreen();
    int mode = Get(m_station.Tree(), kLastShutDownWindowMode);
    if (mode == 2) {
        GoToTray();
        return;
    }
    if (mode == 1)
        showMaximized();
    else
        show();
}

void MainWindow::FitToScreen()
{
    // The frame a window manager adds is not known before the window is
    // shown; this much is kept free for it.
    constexpr int kFrame = 16;
    QRect screen = this->screen()->availableGeometry();
    // Margins, frame and the scroll bar that many rows bring.
    QMargins margins = centralWidget()->layout()->contentsMargins();
    int beside = margins.left() + margins.right() + 2 * m_list->frameWidth() +
                 m_list->verticalScrollBar()->sizeHint().width();
    int columns = m_list->FitColumns(screen.width() - kFrame - beside);
    resize(std::min(columns + beside, screen.width() - kFrame),
           std::min(height(), screen.height() - kFrame));
}

void MainWindow::RefreshAlarmList()
{
    // The status line and the diagrams follow the list.
    m_list->Refresh();
}

void MainWindow::BringToFront()
{
    // A local alarm while forwarding: the operator is at the forwarding window.
    if (m_forwarding != nullptr && m_forwarding->isVisible()) {
        m_forwarding->raise();
        m_forwarding->activateWindow();
        return;
    }
    PresentationWindowLogic& presentation = m_logic->Presentation();
    if (presentation.Exists()) {
        presentation.Open();
        return;
    }
    if (isMinimized() || m_inTray || !isVisible())
        RestoreFromTray();
    raise();
    activateWindow();
    // Where no window manager keeps them there, what belongs above the main
    // window goes back above it: an open dialog, then the alarm windows.
    if (QWidget* modal = QApplication::activeModalWidget())
        modal->raise();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == "AlarmWindow" && window->isVisible() && !window->isMinimized())
            window->raise();
    }
    // Where the window manager refuses the focus, the task bar entry flashes.
    QApplication::alert(this);
}

void MainWindow::RestoreMainWindow()
{
    RestoreFromTray();
}

AlarmWindowViewFactory& MainWindow::AlarmWindowViews()
{
    return *m_alarmWindows;
}

std::unique_ptr<PresentationView> MainWindow::CreatePresentationView(PresentationWindowLogic& logic)
{
    return std::make_unique<QtPresentationWindow>(logic, m_station.Tree(), *m_station.Database(),
                                                  m_logic->AlarmWindows());
}

int MainWindow::SelectedAlarmRecord()
{
    return m_list->SelectedRecord();
}

MainWindow::Mode MainWindow::CurrentMode() const
{
    if (m_inTray || isMinimized())
        return Mode::Tray;
    return isMaximized() ? Mode::Maximised : Mode::Normal;
}

void MainWindow::GoToTray()
{
    m_inTray = true;
    // Without a tray (offscreen, a bare X server) going to the tray minimises.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        showMinimized();
        return;
    }
    ShowTrayIcon();
    hide();
}

void MainWindow::ShowTrayIcon()
{
    if (m_tray == nullptr) {
        m_tray = std::make_unique<QSystemTrayIcon>(windowIcon());
        m_tray->setToolTip(Text(Tr("Wardex")));
        connect(m_tray.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger ||
                        reason == QSystemTrayIcon::DoubleClick ||
                        reason == QSystemTrayIcon::Context)
                        TrayClicked();
                });
    }
    m_tray->show();
}

void MainWindow::TrayClicked()
{
    PresentationWindowLogic& presentation = m_logic->Presentation();
    if (presentation.Exists())
        presentation.Open();
    else
        RestoreFromTray();
}

void MainWindow::RestoreFromTray()
{
    // Restoring ends presentation mode.
    if (m_logic->Presentation().Exists())
        m_logic->Presentation().Leave();
    m_inTray = false;
    if (m_tray != nullptr)
        m_tray->hide();
    showNormal();
    raise();
    activateWindow();
    RefreshAlarmList();
}

void MainWindow::SaveWindowMode()
{
    int mode = 0;
    if (isMinimized() || m_inTray)
        mode = 2;
    else if (isMaximized())
        mode = 1;
    Set(m_station.Tree(), kLastShutDownWindowMode, mode);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_ending || !m_logic->RequestExit()) {
        event->ignore();
        return;
    }
    EndWithStation();
    event->ignore(); // the station ends the loop and destroys the window
}

void MainWindow::EndWithStation()
{
    if (m_ending)
        return;
    m_ending = true;
    m_list->SaveColumns();
    SaveWindowMode();
    if (m_tray != nullptr)
        m_tray->hide();
    m_timer.stop();
    hide();
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && !m_inTray &&
        QSystemTrayIcon::isSystemTrayAvailable())
        GoToTray();
}
