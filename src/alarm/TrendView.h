// The trend view of alarms over time; dispatch hands it each arrival.
#pragma once

#include <cstdint>

class TrendView {
public:
    virtual ~TrendView() = default;

    virtual void AddArrival(int64_t arrival) = 0;
};

// A trend view that keeps nothing, until the real one exists.
TrendView& NoTrendView();
