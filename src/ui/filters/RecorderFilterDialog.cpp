#include "ui/filters/RecorderFilterDialog.h"

#include "config/Translator.h"
#include "filters/AlarmFilter.h"
#include "filters/FilterDialogRules.h"
#include "ui/config/QtText.h"
#include "ui/filters/CameraFilterDialog.h"
#include "ui/filters/OkCancelButtons.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QTreeWidget* NewList(QWidget* parent, const char* objectName)
{
    auto* list = new QTreeWidget(parent);
    list->setObjectName(objectName);
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setMinimumSize(220, 240);
    return list;
}

QPushButton* NewMoveButton(QWidget* parent, const char* text, const char* objectName)
{
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setObjectName(objectName);
    button->setFixedWidth(48);
    return button;
}

} // namespace

RecorderFilterDialog::RecorderFilterDialog(const std::vector<std::string>& recorderNames,
                                           const std::vector<FilterRecorder>& filterRecorders,
                                           QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(ToQt(Tr("Filter setzen: Rekorder")));
    m_hidden = NewList(this, "HiddenRecorders");
    m_hidden->setHeaderLabels({ToQt(Tr("Rekorder-Name"))});
    m_shown = NewList(this, "ShownRecorders");
    m_shown->setHeaderLabels({ToQt(Tr("Rekorder-Name")), QString(), ToQt(Tr("Kamera"))});
    m_shown->setColumnHidden(kMask, true);

    RecorderLists lists = SplitRecorders(recorderNames, filterRecorders);
    for (const FilterRecorder& recorder : lists.shown)
        AddShown(recorder.name, recorder.cameraMask);
    for (const std::string& name : lists.hidden)
        AddHidden(name);

    m_addAll = NewMoveButton(this, ">>", "AddAll");
    m_add = NewMoveButton(this, ">", "Add");
    m_remove = NewMoveButton(this, "<", "Remove");
    m_removeAll = NewMoveButton(this, "<<", "RemoveAll");
    connect(m_addAll, &QPushButton::clicked, this, [this] { Move(*m_hidden, true); });
    connect(m_add, &QPushButton::clicked, this, [this] { Move(*m_hidden, false); });
    connect(m_remove, &QPushButton::clicked, this, [this] { Move(*m_shown, false); });
    connect(m_removeAll, &QPushButton::clicked, this, [this] { Move(*m_shown, true); });
    for (QTreeWidget* list : {m_shown, m_hidden})
        connect(list, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
    connect(m_shown, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { EditCameras(item); });

    auto* moves = new QVBoxLayout;
    moves->addStretch();
    for (QPushButton* button : {m_addAll, m_add, m_remove, m_removeAll})
        moves->addWidget(button);
    moves->addStretch();
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(ToQt(Tr("Diese Rekorder nicht anzeigen:")), this), 0, 0);
    grid->addWidget(new QLabel(ToQt(Tr("Diese Rekorder anzeigen:")), this), 0, 2);
    grid->addWidget(m_hidden, 1, 0);
    grid->addLayout(moves, 1, 1);
    grid->addWidget(m_shown, 1, 2);

    QDialogButtonBox* buttons = OkCancelButtons(*this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    UpdateButtons();
}

void RecorderFilterDialog::AddShown(const std::string& name, int32_t mask)
{
    auto* item = new QTreeWidgetItem(m_shown);
    item->setText(kName, ToQt(name));
    item->setText(kMask, QString::number(mask));
    item->setText(kCamera, ToQt(CameraColumnText(mask)));
}

void RecorderFilterDialog::AddHidden(const std::string& name)
{
    auto* item = new QTreeWidgetItem(m_hidden);
    item->setText(0, ToQt(name));
}

void RecorderFilterDialog::Move(QTreeWidget& from, bool all)
{
    bool intoFilter = &from == m_hidden;
    for (int i = 0; i < from.topLevelItemCount();) {
        QTreeWidgetItem* item = from.topLevelItem(i);
        if (!all && !item->isSelected()) {
            ++i;
            continue;
        }
        std::string name = FromQt(item->text(kName));
        delete from.takeTopLevelItem(i);
        if (intoFilter)
            AddShown(name, static_cast<int32_t>(AlarmFilter::kAllCameras));
        else
            AddHidden(name);
    }
    UpdateButtons();
}

void RecorderFilterDialog::UpdateButtons()
{
    m_addAll->setEnabled(m_hidden->topLevelItemCount() > 0);
    m_add->setEnabled(!m_hidden->selectedItems().isEmpty());
    m_remove->setEnabled(!m_shown->selectedItems().isEmpty());
    m_removeAll->setEnabled(m_shown->topLevelItemCount() > 0);
}

void RecorderFilterDialog::EditCameras(QTreeWidgetItem* item)
{
    if (item == nullptr)
        return;
    CameraFilterDialog cameras(item->text(kMask).toInt(), this);
    if (cameras.exec() != QDialog::Accepted)
        return;
    int32_t mask = cameras.Mask();
    item->setText(kMask, QString::number(mask));
    item->setText(kCamera, ToQt(CameraColumnText(mask)));
}

std::vector<FilterRecorder> RecorderFilterDialog::Recorders() const
{
    std::vector<FilterRecorder> recorders;
    for (int i = 0; i < m_shown->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_shown->topLevelItem(i);
        recorders.push_back({FromQt(item->text(kName)), item->text(kMask).toInt()});
    }
    return recorders;
}
