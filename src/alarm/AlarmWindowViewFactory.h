// Creates the views of alarm windows; the desktop layer implements it.
#pragma once

#include "alarm/AlarmWindowEvents.h"
#include "alarm/AlarmWindowView.h"

#include <memory>

class AlarmWindowViewFactory {
public:
    virtual ~AlarmWindowViewFactory() = default;

    // `events` outlives the view.
    virtual std::unique_ptr<AlarmWindowView> CreateAlarmWindowView(AlarmWindowEvents& events) = 0;
};
