#include "ui/config/CPropPageRecorder.h"

#include "config/Translator.h"
#include "station/RecorderSheetSession.h"
#include "ui/config/CPropSheetRecorder.h"
#include "ui/config/QtText.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

QPushButton* NewButton(QWidget* parent, const char* objectName, const std::string& text)
{
    auto* button = new QPushButton(ToQt(text), parent);
    button->setObjectName(objectName);
    return button;
}

} // namespace

CPropPageRecorder::CPropPageRecorder(ConfigTree& tree, Prompt& prompt, RecorderPageOptions options,
                                     QWidget* parent)
    : QWidget(parent), m_tree(tree), m_prompt(prompt), m_options(std::move(options)),
      m_page(tree, prompt, m_options.sharedPrefix), m_model(m_page)
{
    m_list = new QTreeView(this);
    m_list->setObjectName("RecorderList");
    m_list->setModel(&m_model);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setMinimumSectionSize(1);
    std::array<int, RecorderListPage::kColumnCount> widths = m_page.ColumnWidths();
    // The connection type starts at width 0, which would hide what tells a
    // hybrid recorder from an ordinary one of the same name.
    for (int column = 0; column < RecorderListPage::kColumnCount; ++column) {
        if (widths[column] > 0)
            m_list->header()->resizeSection(column, widths[column]);
        else
            m_list->resizeColumnToContents(column);
    }

    auto* add = NewButton(this, "New", Tr("Neu"));
    m_delete = NewButton(this, "Delete", Tr("Loeschen"));
    m_edit = NewButton(this, "Edit", Tr("Bearbeiten"));
    auto* import = NewButton(this, "Import", Tr("Uebernehmen aus Kavex"));
    m_copy = NewButton(this, "Copy", Tr("Kopieren"));

    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {add, m_delete, m_edit})
        buttons->addWidget(button);
    buttons->addSpacing(16);
    buttons->addWidget(import);
    buttons->addWidget(m_copy);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    connect(add, &QPushButton::clicked, this, &CPropPageRecorder::NewRecorder);
    connect(m_delete, &QPushButton::clicked, this, &CPropPageRecorder::DeleteRecorder);
    connect(m_edit, &QPushButton::clicked, this, &CPropPageRecorder::EditRecorder);
    connect(import, &QPushButton::clicked, this, &CPropPageRecorder::ImportRecorders);
    connect(m_copy, &QPushButton::clicked, this, &CPropPageRecorder::CopySettings);
    connect(m_list, &QTreeView::doubleClicked, this, &CPropPageRecorder::EditRecorder);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CPropPageRecorder::UpdateButtons);
    connect(&m_model, &QAbstractItemModel::modelReset, this, &CPropPageRecorder::UpdateButtons);
    UpdateButtons();
}

void CPropPageRecorder::Leave()
{
    std::array<int, RecorderListPage::kColumnCount> widths{};
    for (int column = 0; column < RecorderListPage::kColumnCount; ++column) {
        widths[column] =
            m_list->header()->isSectionHidden(column) ? 0 : m_list->header()->sectionSize(column);
    }
    m_page.StoreColumnWidths(widths);
}

int CPropPageRecorder::SelectedRow() const
{
    QModelIndexList rows = m_list->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void CPropPageRecorder::SelectRow(int row)
{
    if (!m_page.HasRow(row)) {
        m_list->clearSelection();
        return;
    }
    QModelIndex index = m_model.index(row, 0);
    m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
}

void CPropPageRecorder::UpdateButtons()
{
    bool selected = m_page.HasRow(SelectedRow());
    for (QPushButton* button : {m_delete, m_edit, m_copy})
        button->setEnabled(selected);
}

void CPropPageRecorder::NewRecorder()
{
    int row = -1;
    {
        RecorderSheetSession session(m_tree, SheetMode::New);
        if (!session.IsValid())
            return;
        CPropSheetRecorder sheet(session, m_prompt, m_options, this);
        if (sheet.exec() == QDialog::Accepted)
            row = m_page.RowOf(session.Entry());
    }
    m_model.Refresh();
    SelectRow(row);
}

void CPropPageRecorder::EditRecorder()
{
    int row = SelectedRow();
    if (!m_page.HasRow(row))
        return;
    {
        RecorderSheetSession session(m_tree, SheetMode::Edit, row);
        if (!session.IsValid())
            return;
        CPropSheetRecorder sheet(session, m_prompt, m_options, this);
        sheet.exec();
    }
    m_model.Refresh();
    SelectRow(row);
}

void CPropPageRecorder::DeleteRecorder()
{
    if (!m_page.DeleteRecorder(SelectedRow()))
        return;
    m_model.Refresh();
}

void CPropPageRecorder::ImportRecorders()
{
    int row = SelectedRow();
    m_page.ImportFromLiveView();
    m_model.Refresh();
    SelectRow(row);
}

void CPropPageRecorder::CopySettings()
{
    int row = SelectedRow();
    if (m_page.HasRow(row))
        m_page.CopySettingsToAll(row);
}
