// The alarm list's context menu: delete, confirm and select all.
#pragma once

#include <QMenu>

class AlarmListMenu final : public QMenu {
    Q_OBJECT

public:
    explicit AlarmListMenu(QWidget* parent = nullptr);

    QAction* DeleteAction() const { return m_delete; }
    QAction* ConfirmAction() const { return m_confirm; }
    QAction* SelectAllAction() const { return m_selectAll; }

private:
    QAction* m_delete;
    QAction* m_confirm;
    QAction* m_selectAll;
};
