#include "app/composition.h"

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
#include "shell/address_panel.h"
#include "shell/application.h"
#include "shell/meter_identification.h"

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
    config::installDemandPage(program);     // takes labDemandD(4..7) from the instant page
    config::installPulseOutputPage(program);
    config::installPulseLedPage(program);
    config::installDisplayScanPage(program);
    config::installDigitalInputPage(program); // takes gridDI from the instant page
    config::installSetPointPage(program);     // after the digital input page, whose set-up read it shares
}

} // namespace app
