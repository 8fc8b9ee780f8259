// "Kamerafilter": the 24 camera boxes of one filter recorder's mask.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

class QCheckBox;

class CameraFilterDialog final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kBoxes = 24;

    explicit CameraFilterDialog(int32_t mask, QWidget* parent = nullptr);

    int32_t Mask() const;
    QCheckBox* Box(int camera) const { return m_boxes[static_cast<size_t>(camera - 1)]; }

private:
    std::array<QCheckBox*, kBoxes> m_boxes{};
};
