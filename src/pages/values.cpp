#include "pages/values.h"

#include "link/link_state.h"
#include "pages/confirmed_write.h"

#include <algorithm>
#include <cmath>

namespace pages {

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

int listIndexFor(int value, int lastIndex) { return (value >= 0 && value <= lastIndex) ? value : 0; }

OptionChoice optionChoiceFor(int value, int lastOption) {
    return OptionChoice{listIndexFor(value, lastOption), QString::number(value)};
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

std::optional<uint16_t> encodeRegister(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    // nearbyint rounds halves to even in the default rounding mode.
    const double whole = std::nearbyint(value);
    if (whole < 0 || whole > 65535) return std::nullopt;
    return uint16_t(whole);
}

std::optional<uint16_t> encodeTenths(double value) { return encodeRegister(value * 10.0); }

std::optional<uint16_t> encodeOrReport(std::optional<uint16_t> encoded, const QString& rangeMessage) {
    if (!encoded) showErrorBox(rangeMessage);
    return encoded;
}

} // namespace pages
