// Arbitrary byte streams as replies: split into reads at arbitrary points, checked
// against an arbitrary request and handed to the decoder of an arbitrary command
// code of the whole program, every page built as the program builds them. Half the
// inputs are made into replies the check accepts (right address, function, byte
// count and CRC), so every decoder gets arbitrary register words, under arbitrary
// meter states and page steps. Nothing may read or write past the reply buffer.
#include "fake_serial.h"
#include "scripted_prompter.h"

#include "app/composition.h"
#include "link/crc16.h"
#include "link/modbus_master.h"
#include "shell/application.h"

#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {
struct Harness {
    ScriptedPrompter ui;
    ScopedPrompter scope{ui};
    QTemporaryDir dir;
    std::unique_ptr<shell::Application> program;
    FakeSerialDevice dev;
    rtu::MemoryStatus status;
    std::unique_ptr<rtu::ModbusMaster> m;
    std::vector<int16_t> codes;
    rtu::LinkState* st = nullptr;

    Harness() {
        qputenv("XDG_CONFIG_HOME", (dir.path() + "/config").toUtf8());
        shell::ApplicationOptions options;
        options.executableDir = dir.path();
        options.screenSize = QSize(1280, 1024);
        options.installPages = app::installAllPages;
        program = std::make_unique<shell::Application>(options);
        program->app().quit = [] {};
        program->mainForm(); // every page registers its decoders with the program's master
        for (int code = -1; code <= 4000; ++code)
            if (program->master().hasDecoder(int16_t(code))) codes.push_back(int16_t(code));
        if (codes.size() < 20) std::abort(); // the pages did not register: the target tests nothing
        // The reception runs on a master of its own over the fake port, sharing the
        // program's link state, so the decoders see the reply where they look for it.
        st = &program->app().link;
        rtu::InitSerialTables(rtu::serialTables());
        st->MeterAddress = "1";
        // A decoder that starts a request of its own on the program's master (no port
        // open there) must not hold every run for a full time-out.
        st->ReplyTimeoutMs = 1;
        st->RetryLimit = 0;
        m = std::make_unique<rtu::ModbusMaster>(*st, dev, status);
        m->OpenCommPort();
        // No exchange is open here, so the dispatch goes to code 0: hand the reply on
        // by the request's command code.
        m->registerDecoder(0, [this] {
            if (rtu::Decoder d = program->master().decoder(st->CommandCode)) d();
        });
    }
};

uint16_t word(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
} // namespace

// The font library keeps a few allocations of its own for good: not ours to report.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Harness h;
    if (size < 12) return 0;
    // Keep memory flat over millions of runs: the fake port and the prompter log everything.
    h.dev.calls.clear();
    h.dev.written.clear();
    h.ui.boxes.clear();
    h.ui.dialogs.clear();
    h.ui.beeps = 0;

    rtu::LinkState& st = *h.st;
    // Header: function, code, start, count, meter state, page state, mode.
    static const uint8_t functions[] = {0x03, 0x03, 0x03, 0x03, 0x05, 0x10, 0x70, 0x71, 0x02, 0x06, 0x42};
    const uint8_t fc = functions[data[0] % sizeof functions];
    const int16_t code = h.codes[data[1] % h.codes.size()];
    const uint16_t start = word(data + 2);
    const uint16_t count = uint16_t(data[4] % 126);
    static const float versions[] = {0.0f, 1.5f, 1.8f, 1.9f, 2.0f, 2.1f, 3.0f};
    common::MeterState& meter = h.program->app().meter;
    meter.MeterVersion = versions[data[5] % 7];
    meter.WiringMode = data[5] >> 3 & 3;
    meter.MeterOptionBits = data[6] & 0x3F;
    meter.CurrentInput1A = data[6] & 0x40;
    meter.VoltageInput150V = data[6] & 0x80;
    common::PageState& page = h.program->page();
    page.PageIndex = int16_t(data[7] % 40);
    page.resetStep(int16_t(data[8] % 8));
    const bool makeValid = data[9] & 1;
    st.EchoSkip = !makeValid && (data[9] & 0x80);

    // Decoders may change the shared link state (a scan picks another meter): each run
    // starts from the same meter.
    st.MeterAddress = QStringLiteral("1");
    st.CommSetupPending = false;
    st.TxFrame = {1, fc, uint8_t(start >> 8), uint8_t(start), 0x00, uint8_t(count)};
    st.setReadWindow(start, count);
    st.CommandCode = code;
    st.TxLastIndex = 7;
    st.RxCount = 0;
    st.RxOverflow = false;

    std::vector<uint8_t> body(data + 10, data + size);
    if (makeValid) {
        // A reply the check accepts: the fuzz data give the register words.
        std::vector<uint8_t> reply = {1, fc};
        if (fc == 0x03) {
            reply.push_back(uint8_t(2 * count));
            for (int i = 0; i < 2 * count; ++i) reply.push_back(i < int(body.size()) ? body[size_t(i)] : 0);
        } else {
            reply.insert(reply.end(), body.begin(), body.begin() + std::min<size_t>(body.size(), 6));
        }
        const uint16_t crc = rtu::crc16(reply.data(), reply.size());
        reply.push_back(uint8_t(crc & 0xFF));
        reply.push_back(uint8_t(crc >> 8));
        h.dev.feed(reply);
        h.m->TCommLoadData_Timer();
    } else {
        size_t at = 0;
        while (at < body.size()) {
            const size_t chunk = 1 + body[at] % 64;
            ++at;
            const size_t n = std::min(chunk * 11, body.size() - at);
            h.dev.feed(std::vector<uint8_t>(body.begin() + ptrdiff_t(at), body.begin() + ptrdiff_t(at + n)));
            h.m->TCommLoadData_Timer();
            at += n;
        }
    }
    h.m->TCommLoad_Timer();
    if (st.RxCount != 0 || st.RxOverflow) std::abort(); // the frame end must leave the buffer empty
    return 0;
}
