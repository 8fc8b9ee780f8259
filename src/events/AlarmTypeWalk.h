// A cursor over the alarm types in catalogue order, as the lists of alarm
// types (filter dialog, settings editor, completion of settings) walk them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

class AlarmTypeWalk {
public:
    struct Step {
        int32_t code;
        std::string name; // translated when the step is taken
    };

    // The next type of the catalogue order; none once the last was yielded.
    std::optional<Step> Next();

private:
    size_t m_position = 0;
};
