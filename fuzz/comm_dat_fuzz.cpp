// Arbitrary bytes as a settings file: the reader must keep every choice valid
// (positions inside their lists, digit texts) whatever the file holds.
#include "shell/comm_dat.h"

#include <QByteArray>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    shell::CommChoices c;
    const int taken = shell::readCommDat(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), c);
    if (taken < 0 || taken > 7) std::abort();
    if (c.portIndex < 0 || c.portIndex >= shell::kPortCount) std::abort();
    if (c.baudIndex < 0 || c.baudIndex >= shell::kBaudCount) std::abort();
    if (c.stopBitsIndex < 0 || c.stopBitsIndex >= shell::kStopBitsCount) std::abort();
    if (c.lineIndex < 0 || c.lineIndex >= shell::kLineCount) std::abort();
    // What was read is written back in a form that reads the same.
    shell::CommChoices again;
    shell::readCommDat(shell::commDatText(c), again);
    if (again.portIndex != c.portIndex || again.baudIndex != c.baudIndex || again.timeoutText != c.timeoutText)
        std::abort();
    return 0;
}
