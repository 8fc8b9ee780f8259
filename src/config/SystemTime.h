// Calendar fields of one moment in local time, as the time helpers hand them
// out for display and for building file names.
#pragma once

struct SystemTime {
    int year = 0;
    int month = 0;     // 1 to 12
    int dayOfWeek = 0; // 0 = Sunday
    int day = 0;       // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int milliseconds = 0;
};
