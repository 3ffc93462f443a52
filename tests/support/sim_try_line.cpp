#include "sim_try_line.h"

#include "sim_control_pages.h"
#include "sim_identity.h"
#include "sim_live_values.h"
#include "sim_records.h"
#include "sim_setup_pages.h"
#include "sim_tou.h"
#include "sim_trace.h"
#include "sim_trend.h"
#include "sim_user_map.h"
#include "sim_waveform.h"

#include <algorithm>
#include <cstdlib>

namespace sim {

namespace {

bool parseNumber(const std::string& text, long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return end && *end == '\0';
}

} // namespace

void installEveryPage(Meter& meter) {
    MeterIdentity identity;
    identity.options = kEveryOption;
    installIdentity(meter, identity);
    installLiveValues(meter);
    installWaveform(meter, WaveformShape::balanced());
    installSetupPages(meter);
    installRecordLogs(meter, 12);
    // The trend logger writes the analog-input ranges it scales by; the control
    // pages, installed after it, give each input its own.
    installTrendLogger(meter);
    installTrace(meter);
    installTimeOfUse(meter);
    // After the live values, so that their effects on the live registers come last.
    installControlPages(meter);
    // Last: the mapped values are taken once everything else has moved.
    installUserMap(meter);
}

std::vector<std::pair<int, int>> tryLineMeters(const std::vector<std::string>& meterArgs, std::string& error) {
    std::vector<std::pair<int, int>> meters{{1, 9600}};
    bool firstGiven = false;
    for (const std::string& arg : meterArgs) {
        const auto colon = arg.find(':');
        long address = 0, baud = 9600;
        if (!parseNumber(arg.substr(0, colon), address) ||
            (colon != std::string::npos && !parseNumber(arg.substr(colon + 1), baud)) || address < 1 ||
            address > 254 || baudIndex(int(baud)) < 0) {
            error = "bad meter \"" + arg + "\"";
            return {};
        }
        const bool seen = std::any_of(meters.begin(), meters.end(), [&](const auto& m) { return m.first == address; });
        if (address == 1 && !firstGiven) {
            meters[0].second = int(baud);
            firstGiven = true;
        } else if (seen) {
            error = "address " + std::to_string(address) + " given twice";
            return {};
        } else {
            meters.emplace_back(int(address), int(baud));
        }
    }
    return meters;
}

} // namespace sim
