#pragma once
// The simulated meter's trend logger: its set-up registers, its status block
// and up to 960 records of the logged channel (a daily swing around the live
// load of sim_live_values), and the analog-input ranges the chart scales by.
//
// Coil 30 starts the logger afresh (no records, start time now, running);
// coil 31 stops it. addTrendRecords lets it log more.

#include "sim_meter.h"
#include "sim_records.h"

#include <cstdint>

namespace sim {

struct TrendShape {
    int records = 100;
    uint16_t interval = 0; // 0 15 min, 1 30 min, 2 60 min, 3 10 min
    uint16_t channel = 0;  // 0..23
    uint16_t mode = 0;     // 0 run to fill, 1 circulate
    bool running = true;
    RecordTime start{26, 3, 1, 0, 15, 0};
    uint16_t analogRange = 10000; // each analog input's range value
};

// The raw value of record r (1..960) of a channel.
uint16_t trendRecordValue(int channel, int r);
// Writes set-up, status and records as given.
void writeTrendLogger(Meter& meter, const TrendShape& shape);
// Appends n records to the logger (at most 960 are kept).
void addTrendRecords(Meter& meter, int n);
// Writes the logger and installs the start and stop coils (a hook set before stays).
void installTrendLogger(Meter& meter, const TrendShape& shape = {});

} // namespace sim
