#pragma once
// The simulated meter's own records: the max./min. log with its maximum demands
// and clear time, and the event log. The values fit the live load of
// sim_live_values (PT and CT ratios of 1, 5 A / 400 V inputs): the maxima lie a
// little above the live values, the minima a little below.
//
// Coil 24 clears the max./min. log (every record becomes the present value at
// the present time); coil 28 clears the event records (count 0).

#include "sim_meter.h"

#include <cstdint>
#include <vector>

namespace sim {

struct RecordTime {
    int year = 26, month = 3, day = 14, hour = 9, minute = 30, second = 0;
};

struct SimEvent {
    uint16_t cause = 1;
    RecordTime time;
    uint16_t status = 0;
    uint16_t data1 = 0, data2 = 0;
};

// The three time-stamp registers: minute and second, day and hour, year and month.
std::vector<uint16_t> timeStampRegisters(const RecordTime& t);
// The seven registers of one event record.
std::vector<uint16_t> eventRegisters(const SimEvent& e);

// Writes every maximum and minimum (35 each) and the four maximum demands.
void writeMaxMinLog(Meter& meter, const RecordTime& when = {});
// The meter's number of event records (the count register's low byte).
int eventCount(const Meter& meter);
// Records a new event: it takes record 1 (the lowest address) and the older
// ones move up; at 200 records the oldest is dropped.
void addEvent(Meter& meter, const SimEvent& event);
// A plausible history of n events (power on, set-up changes, alarms, inputs).
std::vector<SimEvent> sampleEvents(int n);

// Fills the max./min. log (clear time 0) and n events, and installs the two
// clear coils (a hook set before stays and runs first).
void installRecordLogs(Meter& meter, int events = 12);

} // namespace sim
