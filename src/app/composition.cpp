#include "app/composition.h"

#include "config/analog_input_page.h"
#include "config/analog_output_page.h"
#include "config/clock_page.h"
#include "config/control_relay_page.h"
#include "config/essential_property_page.h"
#include "config/preset_reset_page.h"
#include "config/simulation_page.h"
#include "config/system_function_page.h"
#include "config/user_map_page.h"
#include "config/demand_page.h"
#include "config/digital_input_page.h"
#include "config/display_scan_page.h"
#include "config/essential_property_page.h"
#include "config/pulse_page.h"
#include "config/set_point_page.h"
#include "monitor/data_logs.h"
#include "monitor/harmonic_page.h"
#include "monitor/instant_page.h"
#include "monitor/waveform_page.h"
#include "records/trend_page.h"
#include "records/event_page.h"
#include "records/maxmin_page.h"
#include "records/trace_page.h"
#include "shell/address_panel.h"
#include "shell/application.h"
#include "shell/meter_identification.h"
#include "tou/tou_page.h"

namespace app {

void installAllPages(shell::Application& program) {
    // Each subsystem installs its pages and services here as they are built.
    shell::installMeterSelection(program);
    monitor::installLivePages(program);
    shell::installIdentification(program);
    config::installEssentialProperty(program);

    auto* instant = static_cast<monitor::InstantPage*>(program.page(0));
    auto* harmonic = static_cast<monitor::HarmonicPage*>(program.page(21));
    if (auto* ident = shell::findMeterIdentification(program)) instant->setInformationFrame(ident->informationFrame());
    monitor::installWaveformPage(
        program, [harmonic](bool voltage) { return voltage ? harmonic->gridHarmonicV() : harmonic->gridHarmonicC(); },
        [harmonic] { harmonic->redrawCharts(); });
    monitor::installDataLogs(program); // after the pages whose values it records
    config::installControlRelayPage(program);
    config::installAnalogOutputPage(program);
    config::installAnalogInputPage(program);
    config::installClockPage(program);
    config::installPresetResetPage(program);
    config::installSimulationPage(program); // after the instant page, whose live labels it shows
    config::installUserMapPage(program);
    config::installSystemFunctionPage(program);
    tou::installTimeOfUsePages(program);
    records::installTrendPage(program);
    records::installMaxMinPage(program);
    records::installEventPage(program);
    records::installTracePage(program);
    config::installDemandPage(program);     // takes labDemandD(4..7) from the instant page
    config::installPulseOutputPage(program);
    config::installPulseLedPage(program);
    config::installDisplayScanPage(program);
    config::installDigitalInputPage(program); // takes gridDI from the instant page
    config::installSetPointPage(program);     // after the digital input page, whose set-up read it shares
}

} // namespace app
