// "Filter setzen: Alarme": every alarm type of the catalogue with a box;
// the ticked types become the filter's codes.
#pragma once

#include <QDialog>
#include <cstdint>
#include <vector>

class QTreeWidget;

class AlarmTypeFilterDialog final : public QDialog {
    Q_OBJECT

public:
    AlarmTypeFilterDialog(const std::vector<int32_t>& codes, QWidget* parent = nullptr);

    // In catalogue order.
    std::vector<int32_t> Codes() const;
    QTreeWidget& List() const { return *m_list; }

private:
    void TickAll(Qt::CheckState state);

    QTreeWidget* m_list = nullptr;
};
