// Walks the catalogue order, translating each name as it is reached.
#include "events/AlarmTypeWalk.h"

#include "events/AlarmTypeCatalogue.h"

std::optional<AlarmTypeWalk::Step> AlarmTypeWalk::Next()
{
    std::span<const int32_t> order = CatalogueOrder();
    if (m_position >= order.size())
        return std::nullopt;
    int32_t code = order[m_position++];
    return Step{code, AlarmTypeName(code, NameTranslation::Translated)};
}
