#include "ui/config/UserPage.h"

#include "config/Translator.h"
#include "ui/config/QtText.h"
#include "ui/config/UserDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// The columns from here on hold "Ja" or nothing.
constexpr int kFirstRightColumn = 3;

QPushButton* NewButton(QWidget* parent, const char* objectName, const std::string& text)
{
    auto* button = new QPushButton(ToQt(text), parent);
    button->setObjectName(objectName);
    return button;
}

} // namespace

UserPage::UserPage(ConfigTree& tree, Prompt& prompt, QWidget* parent)
    : QWidget(parent), m_copy(tree, {"Program", "UserList"}), m_prompt(prompt),
      m_logic(m_copy.Tree(), prompt)
{
    setObjectName("UserPage");
    m_table = new QTableWidget(0, UserListPage::kColumnCount, this);
    m_table->setObjectName("Users");
    QStringList headers;
    for (const UserListColumn& column : UserListPage::Columns())
        headers << (column.header.empty() ? QString() : ToQt(Tr(column.header)));
    m_table->setHorizontalHeaderLabels(headers);
    m_table->setWordWrap(false);
    m_table->setShowGrid(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);

    m_new = NewButton(this, "New", Tr("Neu"));
    m_delete = NewButton(this, "Delete", Tr("Loeschen"));
    m_edit = NewButton(this, "Edit", Tr("Bearbeiten"));
    connect(m_new, &QPushButton::clicked, this, &UserPage::NewUser);
    connect(m_delete, &QPushButton::clicked, this, &UserPage::DeleteUser);
    connect(m_edit, &QPushButton::clicked, this, &UserPage::EditUser);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &UserPage::UpdateButtons);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this] { EditUser(); });

    auto* legend = new QVBoxLayout;
    legend->addWidget(new QLabel(ToQt(Tr("[D] = Defaultbenutzer")), this));
    legend->addWidget(new QLabel(ToQt(Tr("[L] = Momentan eingelogter Benutzer")), this));
    auto* buttons = new QHBoxLayout;
    buttons->addLayout(legend);
    buttons->addStretch(1);
    buttons->addWidget(m_new);
    buttons->addWidget(m_delete);
    buttons->addWidget(m_edit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    Refresh();
}

void UserPage::Apply()
{
    m_copy.Apply();
}

void UserPage::Refresh()
{
    QString selected = SelectedRow() >= 0 ? ToQt(m_logic.NameAt(SelectedRow())) : QString();
    m_table->clearContents();
    m_table->setRowCount(m_logic.RowCount());
    for (int row = 0; row < m_logic.RowCount(); ++row) {
        for (int column = 0; column < UserListPage::kColumnCount; ++column) {
            auto* item = new QTableWidgetItem(ToQt(m_logic.Cell(row, column)));
            if (column >= kFirstRightColumn)
                item->setTextAlignment(Qt::AlignCenter);
            m_table->setItem(row, column, item);
        }
        if (!selected.isEmpty() && ToQt(m_logic.NameAt(row)) == selected)
            m_table->selectRow(row);
    }
    // The widths are the least a column gets; headers and names in the
    // desktop's font may need more.
    for (int c = 0; c < UserListPage::kColumnCount; ++c) {
        int least = UserListPage::Columns()[static_cast<size_t>(c)].width;
        m_table->resizeColumnToContents(c);
        m_table->setColumnWidth(c, std::max(least, m_table->columnWidth(c)));
    }
    UpdateButtons();
}

int UserPage::SelectedRow() const
{
    QList<QTableWidgetItem*> items = m_table->selectedItems();
    return items.isEmpty() ? -1 : items.front()->row();
}

void UserPage::UpdateButtons()
{
    UserButtonStates states = m_logic.ButtonStates(SelectedRow());
    m_new->setEnabled(states.newEnabled);
    m_delete->setEnabled(states.deleteEnabled);
    m_edit->setEnabled(states.editEnabled);
}

void UserPage::NewUser()
{
    UserDialog dialog(UserEditor::ForNewUser(m_copy.Tree()), m_prompt, this);
    if (dialog.exec() == QDialog::Accepted)
        Refresh();
}

void UserPage::EditUser()
{
    int row = SelectedRow();
    if (row < 0)
        return;
    std::optional<UserEditor> editor =
        UserEditor::ForExistingUser(m_copy.Tree(), m_logic.NameAt(row));
    if (!editor)
        return;
    UserDialog dialog(std::move(*editor), m_prompt, this);
    if (dialog.exec() == QDialog::Accepted)
        Refresh();
}

void UserPage::DeleteUser()
{
    int row = SelectedRow();
    if (row >= 0 && m_logic.ButtonStates(row).deleteEnabled && m_logic.DeleteUser(row)) {
        m_table->clearSelection();
        Refresh();
    }
}
