// simmeter: a simulated meter line on a pseudo-terminal, for trying the program
// without hardware.
//
//   simmeter --link PATH [--meter ADDR[:BAUD]]... [--verbose]
//
// PATH becomes a symbolic link to the pty's slave (e.g. /tmp/ports/com1). The line
// always holds meter 1 at 9600 baud; each --meter adds a meter at another address
// (BAUD 9600 when left out), and --meter 1:BAUD gives meter 1 that rate instead.
// Every meter has every option and recorded data on every page. Prints the slave
// path and "ready", then runs until SIGINT or SIGTERM and removes the link.

#include "sim_meter.h"
#include "sim_try_line.h"

#include <csignal>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace {

void usage() {
    std::fprintf(stderr, "usage: simmeter --link PATH [--meter ADDR[:BAUD]]... [--verbose]\n"
                         "  meter 1 at 9600 baud is always there; --meter adds one (ADDR 2..254) or sets\n"
                         "  meter 1's rate (ADDR 1); BAUD 1200, 2400, 4800, 9600 or 19200 (default 9600)\n");
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
    std::vector<std::string> meterArgs;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--link" && i + 1 < argc) {
            linkPath = argv[++i];
        } else if (arg == "--meter" && i + 1 < argc) {
            meterArgs.emplace_back(argv[++i]);
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
    std::string error;
    const std::vector<std::pair<int, int>> meters = sim::tryLineMeters(meterArgs, error);
    if (meters.empty()) {
        std::fprintf(stderr, "simmeter: %s\n", error.c_str());
        usage();
        return 2;
    }

    // Block the signals before the worker thread exists so that only sigtimedwait
    // below receives them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    sim::SimLine line;
    for (const auto& [address, baud] : meters) sim::installEveryPage(line.addMeter(uint8_t(address), baud));
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
