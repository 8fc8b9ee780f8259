// Camera masks by recorder text (exact, case-sensitive).
#include "events/CameraStateTable.h"

uint32_t& CameraStateTable::MaskOf(std::string_view recorder)
{
    auto found = m_masks.find(recorder);
    if (found != m_masks.end())
        return found->second;
    return m_masks.emplace(std::string(recorder), 0u).first->second;
}
