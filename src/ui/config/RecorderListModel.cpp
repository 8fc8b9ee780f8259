#include "ui/config/RecorderListModel.h"

#include "config/Translator.h"
#include "station/RecorderListPage.h"
#include "ui/config/QtText.h"

#include <QPainter>
#include <QPixmap>

namespace {

QIcon Dot(const QColor& fill)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(fill.darker(160), 1));
    painter.setBrush(fill);
    painter.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    return QIcon(pixmap);
}

} // namespace

RecorderListModel::RecorderListModel(RecorderListPage& page, QObject* parent)
    : QAbstractTableModel(parent), m_page(page), m_signalPresent(Dot(QColor(40, 170, 60))),
      m_signalMissing(Dot(QColor(220, 30, 30))), m_count(page.RowCount())
{
}

int RecorderListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_count;
}

int RecorderListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : RecorderListPage::kColumnCount;
}

QVariant RecorderListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    if (role == Qt::DisplayRole)
        return ToQt(m_page.Cell(index.row(), index.column()));
    if (role != Qt::DecorationRole || index.column() != 0)
        return {};
    switch (m_page.IconAt(index.row())) {
    case SignalIcon::Present:
        return m_signalPresent;
    case SignalIcon::Missing:
        return m_signalMissing;
    case SignalIcon::None:
        break;
    }
    return {};
}

QVariant RecorderListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= RecorderListPage::kColumnCount)
        return {};
    return ToQt(Translator::Global().Translate(RecorderListPage::Columns()[section].header));
}

void RecorderListModel::Refresh()
{
    beginResetModel();
    m_count = m_page.RowCount();
    endResetModel();
}
