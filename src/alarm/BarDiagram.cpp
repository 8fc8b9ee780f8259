#include "alarm/BarDiagram.h"

namespace {

class IdleBarDiagram final : public BarDiagram {
public:
    bool IsShown() const override { return false; }
    void AddAlarm(std::string_view, std::string_view, int32_t, int64_t) override {}
};

} // namespace

BarDiagram& NoBarDiagram()
{
    static IdleBarDiagram diagram;
    return diagram;
}
