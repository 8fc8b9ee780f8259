// The rules of the filter's time, recorder and camera dialogs that need no
// widgets: the checks on OK, which recorders each list shows, and the
// camera boxes of a mask.
#pragma once

#include "filters/AlarmFilter.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

inline constexpr int kFilterMinYear = 1970;
inline constexpr int kFilterMaxYear = 2037;
inline constexpr int kFilterCameraBoxes = 24;

struct TimeChoice {
    int32_t mode = AlarmFilter::kModeRange;
    // Local calendar years of the two moments as entered.
    int startYear = kFilterMinYear;
    int endYear = kFilterMinYear;
    Timestamp start;
    Timestamp end;
    int32_t lastDays = 0;
};

// The refusal (translated) of the time dialog's OK, or nothing.
std::optional<std::string> CheckTimeChoice(const TimeChoice& choice);

struct RecorderLists {
    // "Diese Rekorder anzeigen:", with each recorder's mask.
    std::vector<FilterRecorder> shown;
    // "Diese Rekorder nicht anzeigen:".
    std::vector<std::string> hidden;
};

// Both lists in the order of the recorder list. A filter recorder that is no
// longer in the recorder list appears in neither; of two with one name the
// first one's mask counts.
RecorderLists SplitRecorders(const std::vector<std::string>& recorderNames,
                             const std::vector<FilterRecorder>& filterRecorders);

// The "Kamera" column: "Filter aktiv" (translated) while the mask leaves out
// some camera, else empty.
std::string CameraColumnText(int32_t mask);

// Box i is camera i + 1, bit i; a mask selecting every camera ticks all.
std::array<bool, kFilterCameraBoxes> CameraBoxes(int32_t mask);
int32_t MaskOfBoxes(const std::array<bool, kFilterCameraBoxes>& boxes);
