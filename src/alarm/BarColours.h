// The bar diagram's colour per alarm type: the operator's colours
// (StaticViewRecDiagram/Colors) and the factory ones (DefaultFactoryColors),
// read and written as one list each; and the diagram's page size.
#pragma once

#include "events/RgbColor.h"

#include <cstdint>
#include <string_view>
#include <vector>

class ConfigTree;

struct BarColour {
    int32_t code = 0;
    RgbColor color;

    friend bool operator==(const BarColour&, const BarColour&) = default;
};

enum class ColourSet { User, Factory };

// In list order.
std::vector<BarColour> ReadBarColours(ConfigTree& tree, ColourSet set);
// Sets the operator's colour of each listed type, adding an entry for a type
// the list does not hold yet.
void WriteBarColours(ConfigTree& tree, const std::vector<BarColour>& colours);
// The operator's colour of a type, else its factory colour, else grey.
RgbColor BarColourOf(const std::vector<BarColour>& user, int32_t code);

// Recorders per printed diagram page; at least 1.
int RecordersPerPage(ConfigTree& tree);
