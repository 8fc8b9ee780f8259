// The window "Rekorderstatus": every recorder with its state, signal times,
// class, open alarms and availability, sortable and filtered by text and
// state; a double click shows that recorder's alarms in the main list; the
// monthly availability report is saved from here. The main window's tick
// keeps it current: at once when a state changes, else once a second.
#pragma once

#include "station/RecorderOverview.h"
#include "ui/health/RecorderStatusModel.h"

#include <QSortFilterProxyModel>
#include <QWidget>

class MainWindowLogic;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTableView;
class Station;

class RecorderStatusWindow final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kTicksPerRefresh = 40;

    RecorderStatusWindow(Station& station, MainWindowLogic& logic, QWidget* parent = nullptr);

    // What the board shows changed: shown at once.
    void StatesChanged();
    // Every tick of the main window.
    void Tick();

    // The month of `monthMs` with outages of at least `minOutageMs`, as CSV.
    bool SaveReport(const QString& path, int64_t monthMs, int64_t minOutageMs) const;

    RecorderStatusModel& Model() { return m_model; }
    QTableView* Table() { return m_table; }
    QLineEdit* Search() { return m_search; }
    QComboBox* StateFilter() { return m_stateFilter; }

signals:
    // A double click on a recorder's row.
    void RecorderChosen(const QString& name);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Refresh();
    void AskForReport();

    Station& m_station;
    MainWindowLogic& m_logic;
    RecorderOverview m_overview;
    RecorderStatusModel m_model;
    QSortFilterProxyModel m_byState;
    QSortFilterProxyModel m_byText;
    QTableView* m_table = nullptr;
    QLineEdit* m_search = nullptr;
    QComboBox* m_stateFilter = nullptr;
    QLabel* m_counts = nullptr;
    QComboBox* m_month = nullptr;
    QSpinBox* m_minOutage = nullptr;
    int m_ticks = 0;
};
