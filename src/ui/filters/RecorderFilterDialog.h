// "Filter setzen: Rekorder": the recorders the filter shows, each with its
// camera mask, and the ones it does not, moved between the two lists.
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

struct FilterRecorder;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class RecorderFilterDialog final : public QDialog {
    Q_OBJECT

public:
    // Columns of the shown list; the mask column stays hidden.
    enum Column { kName = 0, kMask = 1, kCamera = 2 };

    RecorderFilterDialog(const std::vector<std::string>& recorderNames,
                         const std::vector<FilterRecorder>& filterRecorders,
                         QWidget* parent = nullptr);

    // The shown list in its order.
    std::vector<FilterRecorder> Recorders() const;

    QTreeWidget& Shown() const { return *m_shown; }
    QTreeWidget& Hidden() const { return *m_hidden; }
    // Opens "Kamerafilter" on the shown recorder (double click).
    void EditCameras(QTreeWidgetItem* item);

private:
    void AddShown(const std::string& name, int32_t mask);
    void AddHidden(const std::string& name);
    void Move(QTreeWidget& from, bool all);
    void UpdateButtons();

    QTreeWidget* m_shown = nullptr;
    QTreeWidget* m_hidden = nullptr;
    QPushButton* m_addAll = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_removeAll = nullptr;
};
