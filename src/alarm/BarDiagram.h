// The bar diagram of alarms per recorder and type; dispatch adds each alarm
// while it is shown.
#pragma once

#include <cstdint>
#include <string_view>

class BarDiagram {
public:
    virtual ~BarDiagram() = default;

    virtual bool IsShown() const = 0;
    virtual void AddAlarm(std::string_view recorderAddress, std::string_view recorderName,
                          int32_t alarmType, int64_t arrival) = 0;
};

// A diagram that is never shown, until the real one exists.
BarDiagram& NoBarDiagram();
