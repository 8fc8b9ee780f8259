// The camera grid of the alarm settings page ("Sub - Alarme"): one row per
// entry of an alarm type (row 0 the main entry), one column per camera 1 to
// 24, each camera marked in exactly one row, masks read from and written
// back to the entries' SubDetail.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ConfigNode;

class CameraGrid {
public:
    static constexpr int kCameras = 24;

    // Rows from the entries of `type` in list order.
    void Load(const ConfigNode& list, int32_t type);
    void Clear() { m_rows.clear(); }

    int32_t Type() const { return m_type; }
    int RowCount() const { return static_cast<int>(m_rows.size()); }
    // The part of SubName after the first "_", or "0" when there is none.
    const std::string& Label(int row) const { return m_rows.at(row).label; }
    // camera 1 to 24.
    bool IsMarked(int row, int camera) const;
    uint32_t Mask(int row) const { return m_rows.at(row).mask; }

    // A click on row `row` (0 = main entry) and column `column` (0 = the
    // label column, 1 to 24 the cameras). Only cells of the sub-alarm rows
    // react, and only when there is one: a marked cell goes back to row 0,
    // a clear one is marked here and cleared everywhere else. True when
    // something changed.
    bool Click(int row, int column);

    // Marks the row's cameras in row 0 and clears the row.
    void MoveCamerasToMain(int row);

    // SubDetail of each row's entry := its mask; entries that are gone are
    // skipped.
    void WriteBack(ConfigNode& list) const;

private:
    struct Row {
        std::string label;
        uint32_t mask = 0;
    };

    int32_t m_type = 0;
    std::vector<Row> m_rows;
};
