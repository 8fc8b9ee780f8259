#include "ui/filters/FilterDialog.h"

#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/ConfigNode.h"
#include "config/ConfigTree.h"
#include "config/Translator.h"
#include "filters/FilterEditor.h"
#include "platform/Prompt.h"
#include "ui/config/QtText.h"
#include "ui/filters/AlarmTypeFilterDialog.h"
#include "ui/filters/OkCancelButtons.h"
#include "ui/filters/RecorderFilterDialog.h"
#include "ui/filters/TimeFilterDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QPushButton* NewButton(QWidget* parent, const std::string& text, const char* objectName)
{
    auto* button = new QPushButton(ToQt(text), parent);
    button->setObjectName(objectName);
    return button;
}

QCheckBox* NewCheck(QWidget* parent, const std::string& text, const char* objectName)
{
    auto* box = new QCheckBox(ToQt(text), parent);
    box->setObjectName(objectName);
    return box;
}

QLabel* NewNowLabel(QWidget* parent, const char* objectName)
{
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setMinimumWidth(420);
    label->setWordWrap(true);
    return label;
}

} // namespace

FilterDialog::FilterDialog(ConfigTree& tree, AlarmDatabase& database, Prompt& prompt, Clock& clock,
                           QWidget* parent)
    : QDialog(parent), m_tree(tree), m_database(database), m_prompt(prompt), m_clock(clock),
      m_editor(std::make_unique<FilterEditor>(LoadFilters(tree)))
{
    setWindowTitle(ToQt(Tr("Filter bearbeiten")));
    QVBoxLayout* left = BuildListColumn();

    m_details = new QWidget(this);
    QGroupBox* parts = BuildParts();
    QGroupBox* link = BuildLink();
    QGroupBox* state = BuildConfirmation();
    auto* detailLayout = new QVBoxLayout(m_details);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->addWidget(parts);
    detailLayout->addWidget(link);
    detailLayout->addWidget(state);
    detailLayout->addStretch();

    QDialogButtonBox* buttons = OkCancelButtons(*this);

    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addWidget(m_details, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(buttons);
    ShowSelected();
}

QVBoxLayout* FilterDialog::BuildListColumn()
{
    m_list = new QTreeWidget(this);
    m_list->setObjectName("FilterList");
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::EditKeyPressed);
    m_list->setHeaderLabels({ToQt(Tr("Filter-Name"))});
    m_list->setMinimumWidth(200);
    for (const NamedFilter& named : m_editor->Filters()) {
        auto* item = new QTreeWidgetItem(m_list, {ToQt(named.name)});
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] {
        QList<QTreeWidgetItem*> selected = m_list->selectedItems();
        m_editor->Select(selected.isEmpty() ? -1 : m_list->indexOfTopLevelItem(selected.front()));
        ShowSelected();
    });
    connect(m_list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
        m_editor->Rename(m_list->indexOfTopLevelItem(item), FromQt(item->text(0)));
    });

    auto* newFilter = NewButton(this, Tr("Neu"), "New");
    m_rename = NewButton(this, Tr("Umbenennen"), "Rename");
    m_delete = NewButton(this, Tr("Loeschen"), "Delete");
    connect(newFilter, &QPushButton::clicked, this, [this] { NewFilter(); });
    connect(m_rename, &QPushButton::clicked, this, [this] {
        if (QTreeWidgetItem* item = m_list->currentItem())
            m_list->editItem(item);
    });
    connect(m_delete, &QPushButton::clicked, this, [this] {
        int index = m_editor->Selected();
        if (index < 0)
            return;
        m_editor->RemoveSelected();
        delete m_list->takeTopLevelItem(index);
        m_list->clearSelection();
        m_editor->Select(-1);
        ShowSelected();
    });
    auto* listButtons = new QHBoxLayout;
    for (QPushButton* button : {newFilter, m_rename, m_delete})
        listButtons->addWidget(button);

    auto* left = new QVBoxLayout;
    left->addWidget(m_list);
    left->addLayout(listButtons);
    return left;
}

QGroupBox* FilterDialog::BuildParts()
{
    auto* parts = new QGroupBox(ToQt(Tr("Filterteile")), m_details);
    m_timePart = NewCheck(parts, Tr("Zeitfilter"), "TimePart");
    m_recorderPart = NewCheck(parts, Tr("Rekorderfilter"), "RecorderPart");
    m_typePart = NewCheck(parts, Tr("Alarmfilter"), "TypePart");
    m_timeNow = NewNowLabel(parts, "TimeNow");
    m_recordersNow = NewNowLabel(parts, "RecordersNow");
    m_typesNow = NewNowLabel(parts, "TypesNow");
    m_editTime = NewButton(parts, Tr("Einstellen..."), "EditTime");
    m_editRecorders = NewButton(parts, Tr("Einstellen..."), "EditRecorders");
    m_editTypes = NewButton(parts, Tr("Einstellen..."), "EditTypes");
    auto* partGrid = new QGridLayout(parts);
    int row = 0;
    for (auto [box, now, edit] : {std::tuple{m_timePart, m_timeNow, m_editTime},
                                  std::tuple{m_recorderPart, m_recordersNow, m_editRecorders},
                                  std::tuple{m_typePart, m_typesNow, m_editTypes}}) {
        partGrid->addWidget(box, row, 0);
        partGrid->addWidget(edit, row, 2);
        partGrid->addWidget(new QLabel(ToQt(Tr("Aktuell:")), parts), row + 1, 0, Qt::AlignRight);
        partGrid->addWidget(now, row + 1, 1, 1, 2);
        row += 2;
    }
    partGrid->setColumnStretch(1, 1);
    connect(m_timePart, &QCheckBox::clicked, this,
            [this](bool on) { SetPart(AlarmFilter::kTimePart, on); });
    connect(m_recorderPart, &QCheckBox::clicked, this,
            [this](bool on) { SetPart(AlarmFilter::kRecorderPart, on); });
    connect(m_typePart, &QCheckBox::clicked, this,
            [this](bool on) { SetPart(AlarmFilter::kTypePart, on); });
    connect(m_editTime, &QPushButton::clicked, this, [this] { EditTime(); });
    connect(m_editRecorders, &QPushButton::clicked, this, [this] { EditRecorders(); });
    connect(m_editTypes, &QPushButton::clicked, this, [this] { EditAlarmTypes(); });
    return parts;
}

QGroupBox* FilterDialog::BuildLink()
{
    auto* link = new QGroupBox(ToQt(Tr("Verknuepfung der Filterteile")), m_details);
    m_and = new QRadioButton(ToQt(Tr("UND")), link);
    m_and->setObjectName("LinkAnd");
    m_or = new QRadioButton(ToQt(Tr("ODER")), link);
    m_or->setObjectName("LinkOr");
    auto* linkLayout = new QHBoxLayout(link);
    linkLayout->addWidget(m_and);
    linkLayout->addWidget(m_or);
    linkLayout->addStretch();
    connect(m_or, &QRadioButton::toggled, this, [this](bool on) {
        m_editor->SetLink(on ? AlarmFilter::kLinkOr : AlarmFilter::kLinkAnd);
    });
    return link;
}

QGroupBox* FilterDialog::BuildConfirmation()
{
    auto* state = new QGroupBox(ToQt(Tr("Quittierung")), m_details);
    m_onlyConfirmed = NewCheck(state, Tr("nur quittierte"), "OnlyConfirmed");
    m_onlyUnconfirmed = NewCheck(state, Tr("nur nicht quittierte"), "OnlyUnconfirmed");
    auto* stateLayout = new QHBoxLayout(state);
    stateLayout->addWidget(m_onlyConfirmed);
    stateLayout->addWidget(m_onlyUnconfirmed);
    stateLayout->addStretch();
    connect(m_onlyConfirmed, &QCheckBox::toggled, this,
            [this](bool on) { m_editor->SetOnlyConfirmed(on); });
    connect(m_onlyUnconfirmed, &QCheckBox::toggled, this,
            [this](bool on) { m_editor->SetOnlyUnconfirmed(on); });
    return state;
}

FilterDialog::~FilterDialog() = default;

void FilterDialog::NewFilter()
{
    int index = m_editor->AddNew(m_database);
    auto* item =
        new QTreeWidgetItem(m_list, {ToQt(m_editor->Filters()[static_cast<size_t>(index)].name)});
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    m_list->setCurrentItem(item);
    item->setSelected(true);
    m_list->editItem(item);
}

void FilterDialog::SetPart(int32_t part, bool on)
{
    if (std::optional<std::string> refusal = m_editor->SetPart(part, on))
        m_prompt.Show(*refusal, Tr("Achtung"), PromptIcon::Warning, PromptButtons::Ok);
    ShowSelected();
}

void FilterDialog::ShowSelected()
{
    bool selected = m_editor->Selected() >= 0;
    m_rename->setEnabled(selected);
    m_delete->setEnabled(selected);
    m_details->setEnabled(selected);
    AlarmFilter shown = selected ? m_editor->Current() : AlarmFilter{};
    const QSignalBlocker blocks[] = {QSignalBlocker(m_timePart),
                                     QSignalBlocker(m_recorderPart),
                                     QSignalBlocker(m_typePart),
                                     QSignalBlocker(m_and),
                                     QSignalBlocker(m_or),
                                     QSignalBlocker(m_onlyConfirmed),
                                     QSignalBlocker(m_onlyUnconfirmed)};
    m_timePart->setChecked(m_editor->PartTicked(AlarmFilter::kTimePart));
    m_recorderPart->setChecked(m_editor->PartTicked(AlarmFilter::kRecorderPart));
    m_typePart->setChecked(m_editor->PartTicked(AlarmFilter::kTypePart));
    (shown.link == AlarmFilter::kLinkOr ? m_or : m_and)->setChecked(true);
    m_onlyConfirmed->setChecked(shown.onlyConfirmed);
    m_onlyUnconfirmed->setChecked(shown.onlyUnconfirmed);
    m_timeNow->setText(selected ? ToQt(shown.DescribeTime(m_clock.NowMs())) : QString());
    m_recordersNow->setText(selected ? ToQt(shown.DescribeRecorders()) : QString());
    m_typesNow->setText(selected ? ToQt(shown.DescribeTypes()) : QString());
}

std::vector<std::string> FilterDialog::RecorderNames() const
{
    ConfigLock lock(m_tree);
    std::vector<std::string> names;
    ConfigNode* list = Find(m_tree, kRecorderList);
    for (int i = 0; list != nullptr && i < list->ChildCount(); ++i) {
        if (ConfigNode* name = Find(*list->ChildAt(i), kRecorderName))
            names.push_back(name->GetString());
    }
    return names;
}

void FilterDialog::EditTime()
{
    if (m_editor->Selected() < 0)
        return;
    TimeFilterDialog dialog(m_editor->Current(), m_prompt, m_clock, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_editor->SetTime(dialog.Mode(), dialog.Start(), dialog.End(), dialog.LastDays(),
                      dialog.UseArrivalTime());
    ShowSelected();
}

void FilterDialog::EditRecorders()
{
    if (m_editor->Selected() < 0)
        return;
    RecorderFilterDialog dialog(RecorderNames(), m_editor->Current().recorders, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_editor->SetRecorders(dialog.Recorders());
    ShowSelected();
}

void FilterDialog::EditAlarmTypes()
{
    if (m_editor->Selected() < 0)
        return;
    AlarmTypeFilterDialog dialog(m_editor->Current().alarmTypes, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_editor->SetAlarmTypes(dialog.Codes());
    ShowSelected();
}

void FilterDialog::accept()
{
    m_saved = m_editor->SaveIfChanged(m_tree);
    QDialog::accept();
}
