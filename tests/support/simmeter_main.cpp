// simmeter: a simulated meter line on a pseudo-terminal, for trying the program
// without hardware.
//
//   simmeter --link PATH [--meter ADDR[:BAUD]]... [--verbose]
//
// PATH becomes a symbolic link to the pty's slave (e.g. /tmp/ports/com1). Without
// --meter there is one meter at address 1, 9600 baud. Prints the slave path and
// "ready", then runs until SIGINT or SIGTERM and removes the link.

#include "sim_identity.h"
#include "sim_live_values.h"
#include "sim_meter.h"
#include "sim_control_pages.h"
#include "sim_setup_pages.h"
#include "sim_waveform.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

void usage() {
    std::fprintf(stderr, "usage: simmeter --link PATH [--meter ADDR[:BAUD]]... [--verbose]\n"
                         "  ADDR 1..254, BAUD 1200, 2400, 4800, 9600 or 19200 (default 9600)\n");
}

bool parseInt(const std::string& text, long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return end && *end == '\0';
}

bool parseMeter(const std::string& arg, int& address, int& baud) {
    const auto colon = arg.find(':');
    long a = 0, b = 9600;
    if (!parseInt(arg.substr(0, colon), a)) return false;
    if (colon != std::string::npos && !parseInt(arg.substr(colon + 1), b)) return false;
    if (a < 1 || a > 254 || sim::baudIndex(int(b)) < 0) return false;
    address = int(a);
    baud = int(b);
    return true;
}

void printRequest(const sim::Request& r) {
    std::printf("%6d baud:", r.baud);
    for (uint8_t b : r.bytes) std::printf(" %02X", b);
    std::printf(r.crcOk ? "\n" : "  (bad CRC, ignored)\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    std::string linkPath;
    std::vector<std::pair<int, int>> meters;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--link" && i + 1 < argc) {
            linkPath = argv[++i];
        } else if (arg == "--meter" && i + 1 < argc) {
            int address = 0, baud = 0;
            if (!parseMeter(argv[++i], address, baud)) {
                std::fprintf(stderr, "simmeter: bad meter \"%s\"\n", argv[i]);
                usage();
                return 2;
            }
            meters.emplace_back(address, baud);
        } else if (arg == "--verbose") {
            verbose = true;
        } else {
            usage();
            return 2;
        }
    }
    if (linkPath.empty()) {
        usage();
        return 2;
    }
    if (meters.empty()) meters.emplace_back(1, 9600);

    // Block the signals before the worker thread exists so that only sigtimedwait
    // below receives them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    sim::SimLine line;
    for (const auto& [address, baud] : meters) {
        // A meter that looks like a real one: identity, live values of a balanced
        // load, a sampled waveform capture and the set-up of the set-up pages,
        // with working relays, analog channels, clock, presets and simulation.
        sim::Meter& meter = line.addMeter(uint8_t(address), baud);
        sim::installIdentity(meter);
        sim::installLiveValues(meter);
        sim::installWaveform(meter, sim::WaveformShape::balanced());
        sim::installSetupPages(meter);
        sim::installControlPages(meter);
    }
    if (!line.start()) {
        std::fprintf(stderr, "simmeter: cannot open a pseudo-terminal\n");
        return 1;
    }
    if (!line.linkAs(linkPath)) {
        std::fprintf(stderr, "simmeter: cannot create the link \"%s\" (an existing file is not replaced)\n",
                     linkPath.c_str());
        return 1;
    }
    std::printf("%s\nready\n", line.slavePath().c_str());
    std::fflush(stdout);

    std::size_t shown = 0;
    const timespec tick{0, 100 * 1000 * 1000};
    for (;;) {
        const int sig = sigtimedwait(&signals, nullptr, &tick);
        if (sig == SIGINT || sig == SIGTERM) break;
        // The log only serves the printout here; keep it from growing for ever.
        if (verbose) {
            const auto log = line.requests();
            for (; shown < log.size(); ++shown) printRequest(log[shown]);
        }
        if (!verbose || shown > 10000) {
            line.clearLog();
            shown = 0;
        }
    }
    line.stop(); // removes the link
    return 0;
}
