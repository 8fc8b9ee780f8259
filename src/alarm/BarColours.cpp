#include "alarm/BarColours.h"

#include "config/ConfigKeys.h"
#include "config/ConfigNode.h"
#include "config/ConfigTree.h"
#include "db/ConfigPath.h"
#include "events/AlarmTypeCatalogue.h"

#include <algorithm>

namespace {

ConfigNode* ColourList(ConfigTree& tree, ColourSet set)
{
    return FindConfigNode(tree, {"Runtime", "GUI", "StaticViewRecDiagram",
                                 set == ColourSet::User ? "Colors" : "DefaultFactoryColors",
                                 "AlarmTypeBarkColors"});
}

} // namespace

std::vector<BarColour> ReadBarColours(ConfigTree& tree, ColourSet set)
{
    ConfigLock lock(tree);
    std::vector<BarColour> colours;
    ConfigNode* list = ColourList(tree, set);
    for (int i = 0; list != nullptr && i < list->ChildCount(); ++i) {
        ConfigNode* entry = list->ChildAt(i);
        ConfigNode* code = Find(*entry, kBarColourType);
        ConfigNode* color = Find(*entry, kBarColour);
        if (code != nullptr && color != nullptr)
            colours.push_back({code->GetInt(), ColorFromText(color->GetString())});
    }
    return colours;
}

void WriteBarColours(ConfigTree& tree, const std::vector<BarColour>& colours)
{
    ConfigLock lock(tree);
    ConfigNode* list = ColourList(tree, ColourSet::User);
    if (list == nullptr)
        return;
    for (const BarColour& colour : colours) {
        ConfigNode* entry = list->FindEntryByInt(kBarColourType.name, colour.code);
        if (entry == nullptr) {
            entry = list->NewEntry(0);
            if (entry == nullptr)
                return;
            Set(*entry, kBarColourType, colour.code);
        }
        Set(*entry, kBarColour, ColorToText(colour.color));
    }
}

RgbColor BarColourOf(const std::vector<BarColour>& user, int32_t code)
{
    auto found = std::find_if(user.begin(), user.end(),
                              [code](const BarColour& c) { return c.code == code; });
    if (found != user.end())
        return found->color;
    for (const FactoryBarColor& factory : FactoryBarColors()) {
        if (factory.code == code)
            return ColorFromText(factory.colorText);
    }
    return {160, 160, 160};
}

int RecordersPerPage(ConfigTree& tree)
{
    ConfigLock lock(tree);
    ConfigNode* node = Find(tree, kRecordersPerPage);
    return std::max(1, node != nullptr ? node->GetInt() : 1);
}
