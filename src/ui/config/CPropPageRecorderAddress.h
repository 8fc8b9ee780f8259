// The first page of the recorder sheet: the recorder's address and name,
// its supervision class and maintenance window, and the "Hybridrekorder" box when the station was
// started with the hybrid option. Its checks run when the page is left and when the sheet finishes.
#pragma once

#include "station/RecorderAddressCheck.h"
#include "ui/config/RecorderPageOptions.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;

class CPropPageRecorderAddress final : public QWidget {
    Q_OBJECT

public:
    CPropPageRecorderAddress(ConfigTree& tree, Prompt& prompt, SheetMode mode,
                             const RecorderAddress& start, HybridChoice hybrid,
                             QWidget* parent = nullptr);

    RecorderAddress Values() const;
    // Both fields hold text.
    bool IsComplete() const;
    // Strips the fields and runs the checks; false (after the message) keeps
    // the page.
    bool Leave();

signals:
    void CompleteChanged();

private:
    RecorderAddressCheck m_check;
    QLineEdit* m_ip = nullptr;
    QLineEdit* m_name = nullptr;
    QCheckBox* m_hybrid = nullptr;
    QComboBox* m_reporting = nullptr;
    QCheckBox* m_maintenance = nullptr;
    QDateTimeEdit* m_maintenanceFrom = nullptr;
    QDateTimeEdit* m_maintenanceUntil = nullptr;
    int32_t m_hiddenHybrid = 0;
};
