#include "station/LiveViewPresets.h"

#include "links/SharedRecorderList.h"

std::vector<std::string> LiveViewPresets(const std::string& sharedPrefix,
                                         std::string_view recorderName)
{
    SharedRecorderList shared(sharedPrefix);
    if (!shared.Read())
        return {};
    for (const SharedRecorder& recorder : shared.Recorders()) {
        if (recorder.name == recorderName)
            return recorder.presets;
    }
    return {};
}
