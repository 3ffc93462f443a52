#include "config/setup_values.h"

#include "link/link_state.h"

#include <algorithm>

namespace config {

std::vector<uint16_t> replyWords(const rtu::LinkState& link, int count) {
    // Register i of the reply sits at bytes 3 + 2i and 4 + 2i; the byte count and
    // the bytes received bound what the meter actually sent.
    const int received = std::min(int(link.RxBuffer[2]) / 2, std::max(0, int(link.RxCount) - 5) / 2);
    const int n = std::clamp(std::min(count, received), 0, (rtu::RxBufferSize - 5) / 2);
    std::vector<uint16_t> words;
    words.reserve(size_t(n));
    for (int i = 0; i < n; ++i) words.push_back(link.replyRegister(i));
    return words;
}

uint16_t listCode(int currentIndex) { return uint16_t(std::max(0, currentIndex)); }

uint16_t tagCode(const QString& tag) {
    bool ok = false;
    const int v = tag.trimmed().toInt(&ok);
    return (ok && v >= 0 && v <= 255) ? uint16_t(v) : uint16_t(0);
}

OptionClick optionClick(int index, int groupSize) {
    if (index < 0 || groupSize < 1) return OptionClick{0, QStringLiteral("0")};
    return OptionClick{index / groupSize, QString::number(index % groupSize)};
}

QString tenthsText(uint16_t raw) { return QString::number(raw / 10.0); }

} // namespace config
