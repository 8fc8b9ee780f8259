#include "ui/config/CPropPageRecorderAlarmSettings.h"

#include "alarm/AlarmWindowContent.h"
#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/Translator.h"
#include "events/TextFormat.h"
#include "station/LiveViewPresets.h"
#include "ui/WindowClock.h"
#include "ui/config/AlarmSettingsCopyDialog.h"
#include "ui/config/AlarmTextPreview.h"
#include "ui/config/PlaceholderMenu.h"
#include "ui/config/QtText.h"
#include "ui/config/TestMailDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kLabelColumnWidth = 55;
constexpr int kCameraColumnWidth = 24;
const QColor kMarkedCell(30, 90, 200);

QCheckBox* NewCheck(QWidget* parent, const char* objectName, const std::string& text)
{
    auto* box = new QCheckBox(ToQt(text), parent);
    box->setObjectName(objectName);
    return box;
}

QLineEdit* NewEdit(QWidget* parent, const char* objectName)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    return edit;
}

QPushButton* NewButton(QWidget* parent, const char* objectName, const std::string& text)
{
    auto* button = new QPushButton(ToQt(text), parent);
    button->setObjectName(objectName);
    return button;
}

// Dark text on the light priority colours, light text on the grey of a
// switched-off entry.
QColor TextColorOn(const QColor& background)
{
    return background.lightness() < 128 ? QColor(Qt::white) : QColor(Qt::black);
}

} // namespace

CPropPageRecorderAlarmSettings::CPropPageRecorderAlarmSettings(ConfigTree& tree,
                                                               ConfigNode& recorder, Prompt& prompt,
                                                               std::string sharedPrefix,
                                                               QWidget* parent,
                                                               const ConfigNode* liveRecorder)
    : QWidget(parent), m_tree(tree), m_recorder(recorder), m_liveRecorder(liveRecorder),
      m_prompt(prompt), m_sharedPrefix(std::move(sharedPrefix)),
      m_editor(tree, recorder, prompt, liveRecorder)
{
    m_types = new QTreeWidget(this);
    m_types->setObjectName("AlarmTypes");
    m_types->setHeaderHidden(true);
    m_types->setMinimumWidth(360);
    m_types->setSelectionMode(QAbstractItemView::SingleSelection);

    m_master = NewCheck(this, "ShowAlarmWindow", Tr("Alarmfenster anzeigen"));
    QFont bold = m_master->font();
    bold.setBold(true);
    m_master->setFont(bold);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName("SettingsTabs");
    m_tabs->addTab(BuildAppearanceTab(), ToQt(Tr("Erscheinungsbild")));
    m_tabs->addTab(BuildConfirmationTab(), ToQt(Tr("Quittierung")));
    m_tabs->addTab(BuildLiveViewTab(), ToQt(Tr("Verbindung zu Kavex")));
    m_tabs->addTab(BuildMailTab(), ToQt(Tr("EMail-Benachrichtigung")));
    m_tabs->addTab(BuildProgramTab(), ToQt(Tr("Programm Ausfuehren")));

    auto* store = NewButton(this, "Store", Tr("Uebernehmen"));
    auto* storeAll = NewButton(this, "StoreAll", Tr("Uebernehmen ..."));
    storeAll->setToolTip(ToQt(Tr("Fuer diesen Alarm bei allen Rekordern uebernehmen")));
    auto* storeDefault =
        NewButton(this, "StoreDefault", Tr("Als Default fuer diesen Alarm bei neuen Rekordern"));
    auto* copy = NewButton(this, "CopySettings", Tr("Kopieren ..."));
    m_subAlarms = NewButton(this, "SubAlarms", Tr("Sub - Alarme"));
    m_subAlarms->setCheckable(true);

    auto* storeRow = new QHBoxLayout;
    storeRow->addWidget(store);
    storeRow->addWidget(storeAll);
    storeRow->addWidget(storeDefault);
    storeRow->addStretch(1);
    storeRow->addWidget(copy);
    storeRow->addWidget(m_subAlarms);

    auto* right = new QVBoxLayout;
    right->addWidget(m_master);
    right->addWidget(m_tabs, 1);
    right->addWidget(BuildGrid());
    right->addLayout(storeRow);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_types);
    layout->addLayout(right, 1);

    connect(m_types, &QTreeWidget::currentItemChanged, this,
            &CPropPageRecorderAlarmSettings::OnCurrentItemChanged);
    connect(m_master, &QCheckBox::toggled, this,
            &CPropPageRecorderAlarmSettings::UpdateSwitchDependents);
    connect(store, &QPushButton::clicked, this, [this] { StoreWith(StoreScope::Entry); });
    connect(storeAll, &QPushButton::clicked, this, [this] { StoreWith(StoreScope::AllRecorders); });
    connect(storeDefault, &QPushButton::clicked, this, [this] { StoreWith(StoreScope::Defaults); });
    connect(copy, &QPushButton::clicked, this, &CPropPageRecorderAlarmSettings::OpenCopyDialog);
    connect(m_subAlarms, &QPushButton::toggled, this, &CPropPageRecorderAlarmSettings::ToggleGrid);
    connect(m_timeshiftMin, &QLineEdit::textEdited, this,
            [this] { CheckTimeshiftEdit(TimeshiftField::Minutes, m_timeshiftMin); });
    connect(m_timeshiftSec, &QLineEdit::textEdited, this,
            [this] { CheckTimeshiftEdit(TimeshiftField::Seconds, m_timeshiftSec); });
}

QWidget* CPropPageRecorderAlarmSettings::BuildAppearanceTab()
{
    auto* tab = new QWidget;
    m_showMessage = NewCheck(tab, "ShwAlmTxtMessage", Tr("Meldungstext anzeigen:"));
    m_message = NewEdit(tab, "Message");
    m_showShortText = NewCheck(tab, "ShwAlmTxtShort", Tr("Kurztext anzeigen"));
    m_showScroller = NewCheck(tab, "ShwScroller", Tr("Laufschrift anzeigen"));
    m_title = NewEdit(tab, "Title");
    m_preview = new AlarmTextPreview(tab);
    for (QCheckBox* box : {m_showMessage, m_showShortText, m_showScroller})
        connect(box, &QCheckBox::toggled, this, [this] { UpdatePreview(); });
    for (QLineEdit* edit : {m_message, m_title})
        connect(edit, &QLineEdit::textChanged, this, [this] { UpdatePreview(); });
    auto* form = new QFormLayout(tab);
    form->addRow(ToQt(Tr("Titel:")), m_title);
    form->addRow(m_showMessage, m_message);
    form->addRow(m_showShortText);
    form->addRow(m_showScroller);
    form->addRow(m_preview);
    return tab;
}

QWidget* CPropPageRecorderAlarmSettings::BuildConfirmationTab()
{
    auto* tab = new QWidget;
    m_priority = new QComboBox(tab);
    m_priority->setObjectName("Priority");
    // What each priority does on arrival, so that the number is not a guess.
    m_priority->addItem(ToQt(Tr("1 - oeffnet sofort ein Alarmfenster")));
    for (int shown = 2; shown <= 5; ++shown)
        m_priority->addItem(
            ToQt(FormatTr(TrNoop("%d - nur offene Zeile in der Alarmliste"), shown)));
    m_priority->addItem(ToQt(Tr("6 - kein Fenster, automatisch quittiert; Aktionen laufen")));
    m_requireComment = NewCheck(tab, "RequireConfirmComment", Tr("Kommentar verlangen"));
    m_requirePhrase = NewCheck(tab, "RequirePhrase", Tr("Phrase verlangen:"));
    m_phrase = NewEdit(tab, "Phrase");
    auto* form = new QFormLayout(tab);
    connect(m_priority, &QComboBox::currentIndexChanged, this, [this] { UpdatePreview(); });
    form->addRow(ToQt(Tr("Prioritaet:")), m_priority);
    form->addRow(m_requireComment);
    form->addRow(m_requirePhrase, m_phrase);
    return tab;
}

QWidget* CPropPageRecorderAlarmSettings::BuildLiveViewTab()
{
    auto* tab = new QWidget;
    m_showLive = NewCheck(tab, "ShwLivePic", Tr("Livebild anzeigen"));
    m_showTrack = NewCheck(tab, "ShwTrack", Tr("Aufzeichnung anzeigen"));
    m_trackByNumber = new QRadioButton(ToQt(Tr("Spur des Alarms")), tab);
    m_trackByNumber->setObjectName("TrackByNumber");
    m_trackByName = new QRadioButton(ToQt(Tr("Spur mit dem Namen:")), tab);
    m_trackByName->setObjectName("TrackByName");
    m_trackName = NewEdit(tab, "TrackName");
    m_doTimeshift = NewCheck(tab, "DoTimeshift", Tr("Zeitversatz:"));
    m_timeshiftMin = NewEdit(tab, "TimeshiftMin");
    m_timeshiftSec = NewEdit(tab, "TimeshiftSec");
    m_timeshiftMin->setMaximumWidth(60);
    m_timeshiftSec->setMaximumWidth(60);
    m_doContext = NewCheck(tab, "DoContext", Tr("Kontextansicht"));
    m_doAuto = NewCheck(tab, "DoAuto", Tr("Automatisch anzeigen"));
    m_presetDoLoad = NewCheck(tab, "presetDoLoad", Tr("Preset laden:"));
    m_presetName = new QComboBox(tab);
    m_presetName->setObjectName("presetName");
    m_presetName->setEditable(true);

    auto* shift = new QHBoxLayout;
    shift->addWidget(m_timeshiftMin);
    shift->addWidget(new QLabel(ToQt(Tr("Minuten")), tab));
    shift->addSpacing(12);
    shift->addWidget(m_timeshiftSec);
    shift->addWidget(new QLabel(ToQt(Tr("Sekunden")), tab));
    shift->addStretch(1);

    auto* form = new QFormLayout(tab);
    form->addRow(m_showLive);
    form->addRow(m_showTrack);
    form->addRow(m_trackByNumber);
    form->addRow(m_trackByName, m_trackName);
    form->addRow(m_doTimeshift, shift);
    form->addRow(m_doContext);
    form->addRow(m_doAuto);
    form->addRow(m_presetDoLoad, m_presetName);
    return tab;
}

QWidget* CPropPageRecorderAlarmSettings::BuildMailTab()
{
    auto* tab = new QWidget;
    m_mailDoSend = NewCheck(tab, "mailDoSendMail", Tr("EMail senden"));
    m_mailFrom = NewEdit(tab, "mailFromAddress");
    m_mailTo = NewEdit(tab, "mailToAddress");
    m_mailSubject = NewEdit(tab, "mailFormatedSubject");
    m_mailBody = new QPlainTextEdit(tab);
    m_mailBody->setObjectName("mailFormatedBody");
    m_testMailButton = NewButton(tab, "TestMail", Tr("Testen"));
    connect(m_testMailButton, &QPushButton::clicked, this, [this] {
        AlarmSettingsForm shown = ShownValues();
        if (m_testMail)
            m_testMail(shown);
        else
            RunTestMail(*Find(m_tree, kSystemFolder), m_prompt, shown.mailFromAddress,
                        shown.mailToAddress, this);
    });
    auto* form = new QFormLayout(tab);
    form->addRow(m_mailDoSend);
    form->addRow(ToQt(Tr("Absender:")), m_mailFrom);
    form->addRow(ToQt(Tr("Empfaenger:")), m_mailTo);
    form->addRow(ToQt(Tr("Betreff:")), WithPlaceholders(m_mailSubject, PlaceholderSet::Mail));
    form->addRow(ToQt(Tr("Text:")), WithPlaceholders(m_mailBody, PlaceholderSet::Mail));
    form->addRow(QString(), m_testMailButton);
    return tab;
}

QWidget* CPropPageRecorderAlarmSettings::BuildProgramTab()
{
    auto* tab = new QWidget;
    m_programPath = NewEdit(tab, "execprgPath");
    m_programArgs = NewEdit(tab, "execprgArgs");
    m_programWorkDir = NewEdit(tab, "execprgWorkDir");
    m_programOnce = NewCheck(tab, "execprgOnce", Tr("Beim Eintreffen des Alarms ausfuehren"));
    auto* form = new QFormLayout(tab);
    form->addRow(ToQt(Tr("Programm:")), m_programPath);
    form->addRow(ToQt(Tr("Argumente:")), WithPlaceholders(m_programArgs, PlaceholderSet::Program));
    form->addRow(ToQt(Tr("Arbeitsverzeichnis:")),
                 WithPlaceholders(m_programWorkDir, PlaceholderSet::Program));
    form->addRow(m_programOnce);
    return tab;
}

QWidget* CPropPageRecorderAlarmSettings::BuildGrid()
{
    m_gridBox = new QGroupBox(ToQt(Tr("Sub - Alarme")), this);
    m_gridBox->setObjectName("SubAlarmBox");
    m_grid = new QTableWidget(0, CameraGrid::kCameras + 1, m_gridBox);
    m_grid->setObjectName("CameraGrid");
    QStringList headers{ToQt(Tr("Kameras"))};
    for (int camera = 1; camera <= CameraGrid::kCameras; ++camera)
        headers << QString("%1").arg(camera, 2, 10, QChar('0'));
    m_grid->setHorizontalHeaderLabels(headers);
    m_grid->verticalHeader()->hide();
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->horizontalHeader()->setMinimumSectionSize(kCameraColumnWidth);
    m_grid->setColumnWidth(0, kLabelColumnWidth);
    for (int column = 1; column <= CameraGrid::kCameras; ++column)
        m_grid->setColumnWidth(column, kCameraColumnWidth);
    m_grid->setMinimumHeight(130);

    auto* add = NewButton(m_gridBox, "AddSubAlarm", Tr("Alarm hinzufuegen"));
    auto* remove = NewButton(m_gridBox, "DeleteSubAlarm", Tr("Alarm loeschen"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(m_gridBox);
    layout->addWidget(m_grid);
    layout->addLayout(buttons);
    m_gridBox->hide();

    connect(m_grid, &QTableWidget::cellClicked, this, [this](int row, int column) {
        if (m_editor.ClickGrid(row, column))
            RefreshGrid();
    });
    connect(add, &QPushButton::clicked, this, &CPropPageRecorderAlarmSettings::AddSubAlarm);
    connect(remove, &QPushButton::clicked, this, &CPropPageRecorderAlarmSettings::DeleteSubAlarm);
    return m_gridBox;
}

void CPropPageRecorderAlarmSettings::SetTestMailHandler(
    std::function<void(const AlarmSettingsForm&)> handler)
{
    m_testMail = std::move(handler);
}

void CPropPageRecorderAlarmSettings::Enter(const std::string& recorderName)
{
    if (!m_opened) {
        m_opened = true;
        m_editor.Open();
        RebuildTree();
        ShowSelected();
    }
    QString typed = m_presetName->currentText();
    m_presetName->clear();
    for (const std::string& preset : LiveViewPresets(m_sharedPrefix, recorderName))
        m_presetName->addItem(ToQt(preset));
    m_presetName->setEditText(typed);
}

bool CPropPageRecorderAlarmSettings::Leave()
{
    if (!m_opened)
        return true;
    AlarmSettingsForm shown = ShownValues();
    StoreResult result = m_editor.Store(StoreScope::Entry, shown);
    m_timeshiftMin->setText(ToQt(shown.timeshiftMin));
    m_timeshiftSec->setText(ToQt(shown.timeshiftSec));
    RefreshTreeColors();
    if (result != StoreResult::FieldRefused)
        return true;
    FocusRefusedField();
    return false;
}

AlarmSettingsForm CPropPageRecorderAlarmSettings::ShownValues() const
{
    AlarmSettingsForm f;
    f.showAlarmWindow = m_master->isChecked();
    f.showMessage = m_showMessage->isChecked();
    f.message = FromQt(m_message->text());
    f.showShortText = m_showShortText->isChecked();
    f.showScroller = m_showScroller->isChecked();
    f.title = FromQt(m_title->text());
    f.requireComment = m_requireComment->isChecked();
    f.requirePhrase = m_requirePhrase->isChecked();
    f.phrase = FromQt(m_phrase->text());
    f.priority = m_priority->currentIndex() >= 0 ? m_priority->currentIndex() : m_shownPriority;
    f.showLivePicture = m_showLive->isChecked();
    f.showTrack = m_showTrack->isChecked();
    f.trackKind = m_trackByName->isChecked() ? 1 : 0;
    f.trackName = FromQt(m_trackName->text());
    f.doTimeshift = m_doTimeshift->isChecked();
    f.doContext = m_doContext->isChecked();
    f.doAuto = m_doAuto->isChecked();
    f.timeshiftMin = FromQt(m_timeshiftMin->text());
    f.timeshiftSec = FromQt(m_timeshiftSec->text());
    f.presetDoLoad = m_presetDoLoad->isChecked();
    f.presetName = FromQt(m_presetName->currentText());
    f.mailDoSendMail = m_mailDoSend->isChecked();
    f.mailFromAddress = FromQt(m_mailFrom->text());
    f.mailToAddress = FromQt(m_mailTo->text());
    f.mailSubject = FromQt(m_mailSubject->text());
    f.mailBody = FromQt(m_mailBody->toPlainText());
    f.programPath = FromQt(m_programPath->text());
    f.programArgs = FromQt(m_programArgs->text());
    f.programWorkDir = FromQt(m_programWorkDir->text());
    f.programOnce = m_programOnce->isChecked();
    return f;
}

void CPropPageRecorderAlarmSettings::ShowValues(const AlarmSettingsForm& f)
{
    m_master->setChecked(f.showAlarmWindow);
    m_showMessage->setChecked(f.showMessage);
    m_message->setText(ToQt(f.message));
    m_showShortText->setChecked(f.showShortText);
    m_showScroller->setChecked(f.showScroller);
    m_title->setText(ToQt(f.title));
    m_requireComment->setChecked(f.requireComment);
    m_requirePhrase->setChecked(f.requirePhrase);
    m_phrase->setText(ToQt(f.phrase));
    m_shownPriority = f.priority;
    m_priority->setCurrentIndex(f.priority >= 0 && f.priority < m_priority->count() ? f.priority
                                                                                    : -1);
    m_showLive->setChecked(f.showLivePicture);
    m_showTrack->setChecked(f.showTrack);
    m_trackByName->setChecked(f.trackKind == 1);
    m_trackByNumber->setChecked(f.trackKind != 1);
    m_trackName->setText(ToQt(f.trackName));
    m_doTimeshift->setChecked(f.doTimeshift);
    m_timeshiftMin->setText(ToQt(f.timeshiftMin));
    m_timeshiftSec->setText(ToQt(f.timeshiftSec));
    m_doContext->setChecked(f.doContext);
    m_doAuto->setChecked(f.doAuto);
    m_presetDoLoad->setChecked(f.presetDoLoad);
    m_presetName->setEditText(ToQt(f.presetName));
    m_mailDoSend->setChecked(f.mailDoSendMail);
    m_mailFrom->setText(ToQt(f.mailFromAddress));
    m_mailTo->setText(ToQt(f.mailToAddress));
    m_mailSubject->setText(ToQt(f.mailSubject));
    // Long texts show their beginning.
    m_mailSubject->setCursorPosition(0);
    m_mailBody->setPlainText(ToQt(f.mailBody));
    m_programPath->setText(ToQt(f.programPath));
    m_programArgs->setText(ToQt(f.programArgs));
    m_programArgs->setCursorPosition(0);
    m_programWorkDir->setText(ToQt(f.programWorkDir));
    m_programOnce->setChecked(f.programOnce);
    UpdateSwitchDependents();
    UpdatePreview();
}

void CPropPageRecorderAlarmSettings::UpdatePreview()
{
    if (m_preview == nullptr)
        return;
    AlarmSettingsForm shown = ShownValues();
    AlarmSettings settings;
    settings.priority = shown.priority;
    settings.title = shown.title;
    settings.message = shown.message;
    settings.showShortText = shown.showShortText ? 1 : 0;
    settings.showLongText = shown.showMessage ? 1 : 0;
    settings.showScroller = shown.showScroller ? 1 : 0;
    AlarmContext context;
    {
        ConfigLock lock(m_tree);
        ConfigNode* entry = m_editor.SelectedEntry();
        context.alarmType = entry != nullptr ? Get(*entry, kSettingType) : 0;
        context.recorderName = Get(m_recorder, kRecorderName);
    }
    context.settings = settings;
    context.arrival = WindowClock().NowMs();
    context.departure = context.arrival;
    context.track = -1;
    m_preview->ShowContent(ComposeAlarmWindow(context, PostProcessing::No));
}

void CPropPageRecorderAlarmSettings::RebuildTree()
{
    QSignalBlocker block(m_types);
    m_types->clear();
    m_treeItems.clear();
    const std::vector<AlarmTreeItem>& items = m_editor.Items();
    for (size_t i = 0; i < items.size(); ++i) {
        const AlarmTreeItem& item = items[i];
        QTreeWidgetItem* widget = item.parent < 0 ? new QTreeWidgetItem(m_types)
                                                  : new QTreeWidgetItem(m_treeItems[item.parent]);
        widget->setText(0, ToQt(item.label));
        widget->setData(0, Qt::UserRole, static_cast<int>(i));
        m_treeItems.push_back(widget);
    }
    m_types->expandAll();
    RefreshTreeColors();
    int selected = m_editor.Selected();
    if (selected >= 0 && selected < static_cast<int>(m_treeItems.size()))
        m_types->setCurrentItem(m_treeItems[selected]);
}

void CPropPageRecorderAlarmSettings::RefreshTreeColors()
{
    const std::vector<AlarmTreeItem>& items = m_editor.Items();
    QIcon withChildren = style()->standardIcon(QStyle::SP_DirIcon);
    for (size_t i = 0; i < items.size() && i < m_treeItems.size(); ++i) {
        QTreeWidgetItem* widget = m_treeItems[i];
        widget->setIcon(0, items[i].hasChildren ? withChildren : QIcon());
        if (!items[i].color.has_value())
            continue;
        RgbColor rgb = *items[i].color;
        QColor background(rgb.red, rgb.green, rgb.blue);
        widget->setBackground(0, background);
        widget->setForeground(0, TextColorOn(background));
    }
}

void CPropPageRecorderAlarmSettings::ShowSelected()
{
    ShowValues(m_editor.LoadSelected());
    QSignalBlocker block(m_subAlarms);
    m_subAlarms->setChecked(m_editor.GridShown());
    m_gridBox->setVisible(m_editor.GridShown());
    RefreshGrid();
}

void CPropPageRecorderAlarmSettings::UpdateSwitchDependents()
{
    bool on = m_master->isChecked();
    m_tabs->setVisible(on);
    bool offered = m_opened && m_editor.OffersSubAlarms(on);
    m_subAlarms->setVisible(offered);
    if (!offered && m_editor.GridShown()) {
        m_editor.HideGrid();
        QSignalBlocker block(m_subAlarms);
        m_subAlarms->setChecked(false);
        m_gridBox->hide();
    }
}

void CPropPageRecorderAlarmSettings::RefreshGrid()
{
    const CameraGrid& grid = m_editor.Grid();
    int current = m_grid->currentRow();
    m_grid->setRowCount(m_editor.GridShown() ? grid.RowCount() : 0);
    for (int row = 0; row < m_grid->rowCount(); ++row) {
        auto* label = new QTableWidgetItem(ToQt(grid.Label(row)));
        label->setTextAlignment(Qt::AlignCenter);
        m_grid->setItem(row, 0, label);
        for (int camera = 1; camera <= CameraGrid::kCameras; ++camera) {
            auto* cell = new QTableWidgetItem;
            if (grid.IsMarked(row, camera)) {
                cell->setText("X");
                cell->setBackground(kMarkedCell);
                cell->setForeground(QColor(Qt::white));
            }
            cell->setTextAlignment(Qt::AlignCenter);
            m_grid->setItem(row, camera, cell);
        }
    }
    if (current >= 0 && current < m_grid->rowCount())
        m_grid->selectRow(current);
}

void CPropPageRecorderAlarmSettings::FocusRefusedField()
{
    std::optional<TimeshiftField> field = m_editor.RefusedField();
    if (!field.has_value())
        return;
    QLineEdit* edit = *field == TimeshiftField::Minutes ? m_timeshiftMin : m_timeshiftSec;
    m_tabs->setCurrentIndex(m_tabs->indexOf(edit->parentWidget()));
    edit->setFocus();
    edit->selectAll();
}

void CPropPageRecorderAlarmSettings::OnCurrentItemChanged(QTreeWidgetItem* current,
                                                          QTreeWidgetItem* previous)
{
    if (current == nullptr)
        return;
    AlarmSettingsForm shown = ShownValues();
    if (!m_editor.Select(current->data(0, Qt::UserRole).toInt(), shown)) {
        QSignalBlocker block(m_types);
        m_types->setCurrentItem(previous);
        m_timeshiftMin->setText(ToQt(shown.timeshiftMin));
        m_timeshiftSec->setText(ToQt(shown.timeshiftSec));
        FocusRefusedField();
        return;
    }
    RefreshTreeColors();
    ShowSelected();
}

void CPropPageRecorderAlarmSettings::StoreWith(StoreScope scope)
{
    AlarmSettingsForm shown = ShownValues();
    StoreResult result = m_editor.Store(scope, shown);
    m_timeshiftMin->setText(ToQt(shown.timeshiftMin));
    m_timeshiftSec->setText(ToQt(shown.timeshiftSec));
    if (result == StoreResult::FieldRefused)
        FocusRefusedField();
    RefreshTreeColors();
}

void CPropPageRecorderAlarmSettings::ToggleGrid(bool shown)
{
    if (shown)
        shown = m_editor.ShowGrid();
    else
        m_editor.HideGrid();
    QSignalBlocker block(m_subAlarms);
    m_subAlarms->setChecked(shown);
    m_gridBox->setVisible(shown);
    RefreshGrid();
}

void CPropPageRecorderAlarmSettings::AddSubAlarm()
{
    AlarmSettingsForm shown = ShownValues();
    StoreResult result = m_editor.AddSubAlarm(shown);
    m_timeshiftMin->setText(ToQt(shown.timeshiftMin));
    m_timeshiftSec->setText(ToQt(shown.timeshiftSec));
    if (result == StoreResult::FieldRefused) {
        FocusRefusedField();
        return;
    }
    RebuildTree();
    RefreshGrid();
}

void CPropPageRecorderAlarmSettings::DeleteSubAlarm()
{
    if (!m_editor.DeleteSubAlarm(m_grid->currentRow()))
        return;
    RebuildTree();
    RefreshGrid();
}

void CPropPageRecorderAlarmSettings::OpenCopyDialog()
{
    ConfigLock lock(m_tree);
    const ConfigNode* source = m_editor.SelectedEntry();
    if (source == nullptr)
        return;
    AlarmSettingsCopyDialog dialog(m_tree, m_prompt, m_recorder, m_liveRecorder, *source, this);
    dialog.exec();
    RefreshTreeColors();
}

void CPropPageRecorderAlarmSettings::CheckTimeshiftEdit(TimeshiftField field, QLineEdit* edit)
{
    if (std::optional<std::string> back =
            m_editor.CheckTimeshiftChange(field, FromQt(edit->text())))
        edit->setText(ToQt(*back));
}
