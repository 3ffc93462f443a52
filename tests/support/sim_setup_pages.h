#pragma once
// The simulated meter's set-up of the demand, pulse output and LED, display
// scan, digital input and set point pages, with live digital inputs:
//
// - display 0x2018..0x2019: scanning, 5 digits; loop 0x2210..0x2222: nine pages
//   (codes 1, 2, 3, 9, 10, 15, 16, 18, 19), then "NEXT";
// - demand 0x2020..0x2022: 15 minutes, rolling, internal synchronisation;
// - pulse LED 0x2040 "+1WH", outputs 0x2041 "+1WH" and 0x2042 "+1QH";
// - digital inputs 0x2098 + 8(n-1): DI 2 and DI 3 count pulses (DI 2 on a rising
//   edge, DI 3 on a falling one), DI 8 synchronises demand, the others are status
//   inputs, DI 1 triggered on a rising edge;
// - states: high byte of 0x0101, DI 1 and DI 4 on at first; the low byte holds
//   0x3C, which carries nothing for the inputs. DI 1 turns over on every second
//   read of the states;
// - counters 0x0310..0x031F (32 bits, high word first): DI 2 from 123456 and
//   DI 3 from 65535, so its next pulse carries into the high word; every read of
//   the counters adds 3 pulses to DI 2 and 1 to DI 3 while they are counter inputs;
// - set points 0x2118 + 8i: over phase voltage at 110.0 % (dead band 2.0 %,
//   delays 5 s and 3 s) on relay 1, over current at 120.0 % on relay 2, under
//   frequency at 98.0 % on relay 3, phase rotation "Forward" on relay 3, the
//   digital-input status function on relay 1; the others on no relay at 100.0 %,
//   dead band 1.0 %, delays 1 s.

#include "sim_meter.h"

namespace sim {

// Fills those registers and adds an onRead hook for the live inputs (a hook set
// before is still called first).
void installSetupPages(Meter& meter);

} // namespace sim
