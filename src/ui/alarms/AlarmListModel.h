// The main alarm list as a virtual table model over the database's view: it
// holds no records, only the row rendered last, and produces each cell's
// text and state icon on demand by reading the record at that view
// position. The sort state lives here; the database sorts the view.
#pragma once

#include "alarm/AlarmSettings.h"
#include "db/AlarmRecord.h"
#include "events/RgbColor.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QIcon>
#include <array>
#include <cstdint>
#include <optional>
#include <string>

class AlarmDatabase;
class ConfigTree;
class PresentationWindow;

// The confirmation state icons, in the order of the image list.
enum class StateIcon : int {
    Confirmed = 0,
    Postponed = 1,
    Open = 2,
    AutoConfirmed = 3,
    PostponedPresenting = 4,
    OpenPresenting = 5,
};

enum class Presenting { No, Yes };

StateIcon StateIconOf(const AlarmRecord& record, Presenting presenting);
// The text of a cell; the state column shows its icon instead.
QString AlarmCellText(const AlarmRecord& record, int column,
                      const std::optional<std::string>& recorderName,
                      const std::optional<AlarmSettings>& settings);
// Dark text on the light priority colours, light text on the dark ones.
QColor TextOn(RgbColor color);

class AlarmListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    // The column sorted by at the start: the view starts in arrival order.
    static constexpr int kInitialSortColumn = 1;

    AlarmListModel(ConfigTree& tree, AlarmDatabase& database,
                   const PresentationWindow& presentation, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Re-reads the view's count. One new record in the view enters as one
    // inserted row at its sorted place, without reading the view; any other
    // change of the count resets the rows. Cells are read anew either way.
    void Refresh();

    // A click on a column's header: the same column again inverts the
    // direction, another starts ascending. While the presentation window is
    // active the view is sorted by priority, ascending, whatever the column.
    void SortByColumn(int column);
    // Sorts the view again by the current state.
    void Resort();
    // The sort the operator chose in an earlier run.
    void RestoreSort(int column, bool ascending);
    int SortColumn() const { return m_sortColumn; }
    bool SortAscending() const { return m_ascending; }

    QString CellText(int row, int column) const;
    // Nothing for a row whose record cannot be read.
    std::optional<StateIcon> CellIcon(int row) const;
    const QIcon& Icon(StateIcon icon) const { return m_icons[static_cast<size_t>(icon)]; }
    // -1 outside the view.
    int RecordNumber(int row) const;

    // The status line's first field: the counts, marked while filtering.
    std::string StatusText() const;

    // Records read for rendering so far.
    int64_t RowReads() const { return m_rowReads; }

signals:
    // After every refresh and sort: the header arrows and the status line.
    void Refreshed();

private:
    struct Row {
        int row = -1;
        bool read = false;
        AlarmRecord record;
        std::optional<AlarmSettings> settings;
        std::optional<std::string> recorderName;
    };

    const Row& RowAt(int row) const;
    void ForgetRow() const { m_cache.row = -1; }
    bool IsPresenting() const;

    ConfigTree& m_tree;
    AlarmDatabase& m_database;
    const PresentationWindow& m_presentation;
    std::array<QIcon, 6> m_icons;
    int m_rows = 0;
    int m_sortColumn = kInitialSortColumn;
    bool m_ascending = true;
    mutable Row m_cache;
    mutable int64_t m_rowReads = 0;
};
