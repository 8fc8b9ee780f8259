#include "station/CameraGrid.h"

#include "config/ConfigKeys.h"
#include "config/ConfigNode.h"

namespace {

constexpr uint32_t kAllCameras = (1u << CameraGrid::kCameras) - 1;

uint32_t Bit(int camera)
{
    return 1u << (camera - 1);
}

std::string RowLabel(const ConfigNode& entry)
{
    std::string text = Get(entry, kSettingSubName);
    size_t underscore = text.find('_');
    return underscore == std::string::npos ? "0" : text.substr(underscore + 1);
}

} // namespace

void CameraGrid::Load(const ConfigNode& list, int32_t type)
{
    m_type = type;
    m_rows.clear();
    for (int n = 0;; ++n) {
        const ConfigNode* entry = list.FindNthEntryByInt("Type", type, n);
        if (entry == nullptr)
            break;
        auto mask = static_cast<uint32_t>(Get(*entry, kSettingSubDetail));
        m_rows.push_back({RowLabel(*entry), mask & kAllCameras});
    }
}

bool CameraGrid::IsMarked(int row, int camera) const
{
    if (row < 0 || row >= RowCount() || camera < 1 || camera > kCameras)
        return false;
    return (m_rows[row].mask & Bit(camera)) != 0;
}

bool CameraGrid::Click(int row, int column)
{
    if (RowCount() < 2 || row < 1 || row >= RowCount() || column < 1 || column > kCameras)
        return false;
    uint32_t bit = Bit(column);
    if ((m_rows[row].mask & bit) != 0) {
        m_rows[row].mask &= ~bit;
        m_rows[0].mask |= bit;
        return true;
    }
    for (Row& other : m_rows)
        other.mask &= ~bit;
    m_rows[row].mask |= bit;
    return true;
}

void CameraGrid::MoveCamerasToMain(int row)
{
    if (row < 1 || row >= RowCount())
        return;
    m_rows[0].mask |= m_rows[row].mask;
    m_rows[row].mask = 0;
}

void CameraGrid::WriteBack(ConfigNode& list) const
{
    for (int row = 0; row < RowCount(); ++row) {
        ConfigNode* entry = list.FindNthEntryByInt("Type", m_type, row);
        if (entry != nullptr)
            Set(*entry, kSettingSubDetail, m_rows[row].mask);
    }
}
