#include "filters/FilterDialogRules.h"

#include "config/Translator.h"

#include <algorithm>

std::optional<std::string> CheckTimeChoice(const TimeChoice& choice)
{
    if (choice.mode == AlarmFilter::kModeLastDays) {
        if (choice.lastDays <= 0)
            return Tr("Der von Ihnen gewaehlte Wert fuer die \"Letzten Tage\" ist ungueltig!");
        return std::nullopt;
    }
    for (int year : {choice.startYear, choice.endYear}) {
        if (year < kFilterMinYear || year > kFilterMaxYear)
            return Tr("Der eingegebene Jahreswert darf den Bereich von 1970 - 2037 nicht ueber- "
                      "oder unterschreiten!");
    }
    if (choice.end <= choice.start)
        return Tr("Die von Ihnen gewaehlte Zeitspanne ist ungueltig!\n\nBitte geben Sie eine "
                  "sinnvolle Kombination \"Von ... bis ...\" an.");
    return std::nullopt;
}

RecorderLists SplitRecorders(const std::vector<std::string>& recorderNames,
                             const std::vector<FilterRecorder>& filterRecorders)
{
    RecorderLists lists;
    for (const std::string& name : recorderNames) {
        auto found = std::find_if(filterRecorders.begin(), filterRecorders.end(),
                                  [&name](const FilterRecorder& r) { return r.name == name; });
        if (found != filterRecorders.end())
            lists.shown.push_back({name, found->cameraMask});
        else
            lists.hidden.push_back(name);
    }
    return lists;
}

std::string CameraColumnText(int32_t mask)
{
    // Unsigned, as the filter reads it: the default -1 selects every camera.
    if (static_cast<uint32_t>(mask) < AlarmFilter::kAllCameras)
        return Tr("Filter aktiv");
    return {};
}

std::array<bool, kFilterCameraBoxes> CameraBoxes(int32_t mask)
{
    std::array<bool, kFilterCameraBoxes> boxes{};
    bool all = static_cast<uint32_t>(mask) >= AlarmFilter::kAllCameras;
    for (int i = 0; i < kFilterCameraBoxes; ++i)
        boxes[static_cast<size_t>(i)] = all || (static_cast<uint32_t>(mask) >> i & 1U) != 0;
    return boxes;
}

int32_t MaskOfBoxes(const std::array<bool, kFilterCameraBoxes>& boxes)
{
    uint32_t mask = 0;
    for (int i = 0; i < kFilterCameraBoxes; ++i) {
        if (boxes[static_cast<size_t>(i)])
            mask |= 1U << i;
    }
    return static_cast<int32_t>(mask);
}
