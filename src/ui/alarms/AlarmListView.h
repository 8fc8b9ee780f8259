// The main alarm list on the screen: the table over AlarmListModel with its
// saved column widths and order, sorting by header click with the arrow on
// the sort column, select all, deleting the selection under the delete
// right, bulk confirmation, opening an alarm by double click and the
// context menu.
#pragma once

#include "audit/AuditLine.h"
#include "ui/alarms/AlarmListParts.h"

#include <QPointer>
#include <QTableView>
#include <QTimer>
#include <string>
#include <vector>

class AlarmListModel;

class AlarmListView final : public QTableView {
    Q_OBJECT

public:
    // The menu opens this far below the click, plus the header's height.
    static constexpr int kMenuOffset = 10;

    explicit AlarmListView(const AlarmListParts& parts, QWidget* parent = nullptr);
    ~AlarmListView() override;

    AlarmListModel& Model() { return *m_model; }

    // The view's count, rows, header arrows and status line anew. The model
    // follows at once, so selections and clicks stay right; the rows are
    // painted at most once per kPaintIntervalMs however many alarms arrive.
    void Refresh();
    static constexpr int kPaintIntervalMs = 25;
    // A click on a column's header; selections are cleared.
    void SortByColumn(int column);

    void SelectAll();
    void DeleteSelected();
    // Confirms the selected alarms and selects the first one handled.
    void ConfirmSelected();
    // Opens the alarm of the row in an alarm window (double click).
    void OpenAlarm(int row);
    // The record of the first selected row, -1 for none; the live-view
    // program's command and the main window's command open it.
    int SelectedRecord() const;
    // Ascending.
    std::vector<int> SelectedRows() const;

    // Widths and order from the configuration tree, and back at shutdown.
    void RestoreColumns();
    // Every column at least as wide as its header, the widest text columns
    // narrowed so that all fit into `width` where they can; the total.
    int FitColumns(int width);
    void SaveColumns();

    std::string StatusText() const;

    // Where the context menu opens for a click at `viewportPos`.
    QPoint ContextMenuPosition(QPoint viewportPos) const;

    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    void doItemsLayout() override;
    // Painting waits for the end of the interval.
    bool PaintingHeld() const { return m_paintHeld; }

signals:
    // After a refresh, at most once per paint interval like the rows: the
    // status line shows StatusText().
    void StatusChanged();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Held back with painting: measuring the scroll bar and the headers for
    // every arriving row costs more than storing its alarm.
    void updateGeometries() override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateHeaderArrow();
    // One line per deleted alarm, or one for a bulk deletion with its range.
    void RecordDeletion(const std::vector<int64_t>& arrivals, AuditDetails single);
    void SelectRow(int row);

    // Paints once now, then holds painting back until the interval is over.
    void ThrottlePainting();
    void ReleasePainting();

    AlarmListParts m_parts;
    AlarmListModel* m_model;
    QTimer m_paintInterval;
    bool m_paintHeld = false;
    bool m_statusHeld = false;
    bool m_geometriesHeld = false;
    QPointer<QWidget> m_heldWindow;
    // The first row inserted since the last layout, -1 for none; a change
    // other than insertions lays out and paints the whole view.
    int m_insertedFrom = -1;
    bool m_wholeLayout = false;
};

// Creates the list inside `place` (the main window's "AlarmListPlace"),
// with the saved widths and order, and gives it the place's whole area.
AlarmListView* InstallAlarmList(QWidget& place, const AlarmListParts& parts);
