// The presentation window: a separate, topmost window with its own list of
// stored alarms (the alarm list's columns; by priority in alarm-stack mode)
// and the count of unconfirmed alarms. Its behaviour is in
// PresentationWindowLogic; a double click opens the alarm.
#pragma once

#include "station/PresentationWindowLogic.h"

#include <QIcon>
#include <QWidget>
#include <array>

class AlarmWindowManager;
class ConfigTree;
class AlarmDatabase;
class QLabel;
class QTableWidget;

class QtPresentationWindow final : public QWidget, public PresentationView {
    Q_OBJECT

public:
    QtPresentationWindow(PresentationWindowLogic& logic, ConfigTree& tree, AlarmDatabase& database,
                         AlarmWindowManager& windows);

    void Show() override;
    void Activate() override;
    bool IsShown() const override;
    void Reload() override;
    void Select(int listPosition) override;

protected:
    // Closing ends the mode; the logic destroys the window from the loop.
    void closeEvent(QCloseEvent* event) override;

private:
    // Columns as wide as their contents and headers, the window as wide as
    // the columns where the screen allows.
    void FitColumns();

    PresentationWindowLogic& m_logic;
    ConfigTree& m_tree;
    AlarmDatabase& m_database;
    AlarmWindowManager& m_windows;
    QLabel* m_count;
    QTableWidget* m_table;
    std::array<QIcon, 6> m_icons;
    bool m_fitted = false;
};
