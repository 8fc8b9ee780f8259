// The recorder page's list as a virtual model: its rows are the entries of
// Program/RecorderList, every cell and state icon is fetched from the tree
// when the view asks. Only the item count is kept, set on each refresh.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>

class RecorderListPage;

class RecorderListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    RecorderListModel(RecorderListPage& page, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Takes the list's item count anew.
    void Refresh();

private:
    RecorderListPage& m_page;
    // 16 x 16 images for a present and a missing signal.
    QIcon m_signalPresent;
    QIcon m_signalMissing;
    int m_count = 0;
};
