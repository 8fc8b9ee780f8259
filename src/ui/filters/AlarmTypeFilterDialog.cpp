#include "ui/filters/AlarmTypeFilterDialog.h"

#include "config/Translator.h"
#include "events/AlarmTypeCatalogue.h"
#include "ui/config/QtText.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kCodeRole = Qt::UserRole;

} // namespace

AlarmTypeFilterDialog::AlarmTypeFilterDialog(const std::vector<int32_t>& codes, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(ToQt(Tr("Filter setzen: Alarme")));
    m_list = new QTreeWidget(this);
    m_list->setObjectName("AlarmTypes");
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({ToQt(Tr("Anzeigen?")), ToQt(Tr("Alarmart"))});
    m_list->header()->setStretchLastSection(false);
    m_list->setColumnWidth(0, 80);
    m_list->setColumnWidth(1, 350);
    // Rows with room between their check boxes, so that each is hit alone.
    QSize row(80, fontMetrics().height() + 8);
    for (int32_t code : CatalogueOrder()) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setSizeHint(0, row);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        bool ticked = std::find(codes.begin(), codes.end(), code) != codes.end();
        item->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
        item->setText(1, ToQt(AlarmTypeName(code, NameTranslation::Translated)));
        item->setData(0, kCodeRole, code);
    }
    // Long names are shown whole; the list is never narrower than the
    // two columns.
    m_list->resizeColumnToContents(1);
    m_list->setColumnWidth(1, std::max(350, m_list->columnWidth(1)));
    m_list->setMinimumSize(80 + m_list->columnWidth(1) + 40, 360);

    auto* buttons = new QDialogButtonBox(this);
    auto* allOn = buttons->addButton(ToQt(Tr("Alle an")), QDialogButtonBox::ActionRole);
    allOn->setObjectName("AllOn");
    auto* toggle = buttons->addButton(ToQt(Tr("Toggle")), QDialogButtonBox::ActionRole);
    toggle->setObjectName("Toggle");
    auto* allOff = buttons->addButton(ToQt(Tr("Alle aus")), QDialogButtonBox::ActionRole);
    allOff->setObjectName("AllOff");
    buttons->addButton(ToQt(Tr("OK")), QDialogButtonBox::AcceptRole)->setObjectName("Ok");
    buttons->addButton(ToQt(Tr("Abbrechen")), QDialogButtonBox::RejectRole);
    connect(allOn, &QPushButton::clicked, this, [this] { TickAll(Qt::Checked); });
    connect(allOff, &QPushButton::clicked, this, [this] { TickAll(Qt::Unchecked); });
    connect(toggle, &QPushButton::clicked, this, [this] {
        for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = m_list->topLevelItem(i);
            item->setCheckState(0,
                                item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        }
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
}

void AlarmTypeFilterDialog::TickAll(Qt::CheckState state)
{
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        m_list->topLevelItem(i)->setCheckState(0, state);
}

std::vector<int32_t> AlarmTypeFilterDialog::Codes() const
{
    std::vector<int32_t> codes;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        if (item->checkState(0) == Qt::Checked)
            codes.push_back(item->data(0, kCodeRole).toInt());
    }
    return codes;
}
