// Arbitrary byte streams as replies: split into reads at arbitrary points, checked
// against an arbitrary request and handed to decoders that read the reply as a page
// decoder would. Nothing may read or write past the reply buffer.
#include "fake_serial.h"
#include "scripted_prompter.h"

#include "link/modbus_master.h"

#include <QCoreApplication>
#include <cstdint>
#include <cstring>

namespace {
struct Harness {
    rtu::LinkState st;
    FakeSerialDevice dev;
    rtu::MemoryStatus status;
    ScriptedPrompter ui;
    rtu::ModbusMaster m{st, dev, status};
    uint32_t sink = 0;
    Harness() {
        common::setPrompter(&ui);
        rtu::InitSerialTables(rtu::serialTables());
        st.MeterAddress = "1";
        m.OpenCommPort();
        for (int16_t code : {1, 2, 9, 50, 51, 52, 53, 54, 99, 300, 1111}) {
            m.registerDecoder(code, [this] {
                for (int i = 0; i < 128; ++i) sink += st.replyRegister(i);
            });
        }
    }
};
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Harness h;
    if (size < 4) return 0;
    h.dev.calls.clear(); // the fake port logs every call; keep memory flat over millions of runs
    // First bytes: the request's function, count and command code; the rest arrives
    // in chunks whose sizes come from the data too.
    static const uint8_t functions[] = {0x03, 0x05, 0x10, 0x70, 0x71, 0x02, 0x06, 0x42};
    h.st.TxFrame = {1, functions[data[0] % 8], 0x01, 0x30, 0x00, uint8_t(data[1] % 126)};
    static const int16_t codes[] = {1, 2, 9, 50, 51, 52, 53, 54, 99, 300, 1111, 100, 1000, 0};
    h.st.CommandCode = codes[data[2] % 14];
    h.st.EchoSkip = (data[3] & 0x80) != 0;
    h.st.TxLastIndex = 7;
    h.st.RxCount = 0;
    h.st.RxOverflow = false;
    size_t at = 4;
    while (at < size) {
        size_t chunk = 1 + data[at] % 64;
        ++at;
        size_t n = std::min(chunk * 11, size - at);
        h.dev.feed(std::vector<uint8_t>(data + at, data + at + n));
        h.m.TCommLoadData_Timer();
        at += n;
    }
    h.m.TCommLoad_Timer();
    return 0;
}
