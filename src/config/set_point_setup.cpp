#include "config/set_point_setup.h"

#include "common/shared_routines.h"
#include "config/digital_input_setup.h"

namespace config {

QStringList setPointFunctionItems() {
    return {
        QStringLiteral("Over Phase Voltage, VP-N,V.1,V.2,V.3  100% = 500V"),
        QStringLiteral("Over Line Voltage, VL-L,V1,V2,V3  100% = 500V"),
        QStringLiteral("Over Current, A1,A2,A3  100% = 5A"),
        QStringLiteral("Over Neutral Current  100% = 5A"),
        QStringLiteral("Over W+ (imported power), total  100% = 5000W"),
        QStringLiteral("Over W- (exported power), total  100% = -5000W"),
        QStringLiteral("Over Q+ (inductive Vars), total  100% = 5000Var"),
        QStringLiteral("Over Q- (capacitive Vars), total  100% = -5000Var"),
        QStringLiteral("Over apparent power, total  100% = 5000VA"),
        QStringLiteral("Over Frequency  100% = 50Hz"),
        QStringLiteral("Over Watt Demand, total  100% = 5000W"),
        QStringLiteral("Over Ampere Demand  100% = 5A"),
        QStringLiteral("Over U1 of analog process input1  100% = 10000C"),
        QStringLiteral("Over U2 of analog process input2  100% = 10000C"),
        QStringLiteral("Over U3 of analog process input3  100% = 10000C"),
        QStringLiteral("Under Phase Valtage, VP-N,V.1,V.2,V.3  100% = 500V"),
        QStringLiteral("Under Line Voltage, VL-L,V1,V2,V3  100% = 500V"),
        QStringLiteral("Under Frequency  100% = 50Hz"),
        QStringLiteral("Under PF Lagging, Inductive load  100% = 1"),
        QStringLiteral("Under PF Leading, Capacitive load  100% = 1"),
        QStringLiteral("Unbalance Voltage, % deviation of VE to V1,V2,V3  100% = 100%"),
        QStringLiteral("Unbalance Current, % deviation of AE to A1,A2,A3  100% = 100%"),
        QStringLiteral("Phase Rotation"),
        QStringLiteral("Status Activa"),
    };
}

QStringList setPointRelayItems() {
    return {QStringLiteral("None"), QStringLiteral("Relay 1"), QStringLiteral("Relay 2"), QStringLiteral("Relay 3")};
}

QStringList setPointOperationItems() {
    return {QStringLiteral("Disable"), QStringLiteral("Reversed"), QStringLiteral("Forward")};
}

SetPointLayout setPointLayout(int function) {
    if (function == StatusFunction) return SetPointLayout::StatusMatrix;
    if (function == PhaseRotationFunction) return SetPointLayout::PhaseRotation;
    return SetPointLayout::CriticalValue;
}

namespace {

struct FieldInfo {
    const char* caption;
    const char* hint;
    const char* initial;
    const char* notNumericText; // what a text that is no number is replaced by
    double high;
    const char* highText;
    bool tenths; // the register holds the entry x 10
};

const FieldInfo& info(SetPointField field) {
    static const FieldInfo fields[4] = {
        {"Critical % Value : ", "0-140.0 %  (0.1 %)", "0", "0.1", 140, "140", true},
        {"Dead Band : ", "0-9.9 %  (0.1 %)", "10", "0.1", 9.9, "9.9", true},
        {"Time Delay to Relay Energized : ", "0-999 Sec  (1 Sec)", "1", "1", 999, "999", false},
        {"Time Delay to Relay Deenergized : ", "0-999 Sec  (1 Sec)", "1", "1", 999, "999", false},
    };
    return fields[int(field)];
}

QString lowMessage(SetPointField field) { return QLatin1String(info(field).caption) + " < 0"; }
QString highMessage(SetPointField field) {
    return QLatin1String(info(field).caption) + " > " + QLatin1String(info(field).highText);
}

} // namespace

QString setPointCaption(SetPointField field) { return QLatin1String(info(field).caption); }
QString setPointHint(SetPointField field) { return QLatin1String(info(field).hint); }
QString setPointInitialText(SetPointField field) { return QLatin1String(info(field).initial); }

QString setPointInputCaption(int input) { return QStringLiteral("DI %1").arg(input + 1); }

QStringList setPointTriggerRowCaptions() {
    return {QStringLiteral("Display / OFF"), QStringLiteral("Active to Deactive"), QStringLiteral("Deactive to Active")};
}

std::vector<BlockRead> setPointReads(int function) {
    const int i = listIndexFor(function, SetPointFunctions - 1);
    switch (setPointLayout(i)) {
    case SetPointLayout::StatusMatrix:
        return {DigitalInputSetupRead, BlockRead{CmdStatusSetPoint, setPointBlock(i), SetPointCount}};
    case SetPointLayout::PhaseRotation:
        return {BlockRead{CmdPhaseRotationSetPoint, setPointBlock(i), SetPointCount}};
    case SetPointLayout::CriticalValue: break;
    }
    return {BlockRead{CmdSetPoint, setPointBlock(i), SetPointCount}};
}

std::optional<SetPointSetup> decodeSetPoint(const std::vector<uint16_t>& regs, SetPointLayout layout) {
    if (regs.size() < size_t(SetPointCount)) return std::nullopt;
    SetPointSetup s;
    s.relayIndex = listIndexFor(regs[0] & 0xFF, 3);
    if (layout == SetPointLayout::CriticalValue) {
        s.critical = tenthsText(regs[1]);
        s.deadBand = tenthsText(regs[2]);
    } else if (layout == SetPointLayout::PhaseRotation) {
        s.operation = listIndexFor(regs[1] & 0xFF, 2);
    }
    s.delayOn = QString::number(regs[3]);
    s.delayOff = QString::number(regs[4]);
    return s;
}

EntryVerdict checkSetPointEntry(SetPointField field, const QString& text) {
    const FieldInfo& f = info(field);
    return checkLimits(text, fieldLimits(0, f.high, lowMessage(field), highMessage(field),
                                         QLatin1String(f.notNumericText)));
}

namespace {

// The register value of one entry, or the field's range message when the
// register cannot hold it.
std::optional<uint16_t> encodeEntry(SetPointField field, const QString& text, QString& refusal) {
    const double v = common::leadingNumber(text);
    if (v < 0) {
        refusal = lowMessage(field);
        return std::nullopt;
    }
    const auto encoded = info(field).tenths ? encodeTenths(v) : encodeRegister(v);
    if (!encoded) refusal = highMessage(field);
    return encoded;
}

} // namespace

SetPointWrite setPointWrite(const SetPointEntries& e) {
    const int i = listIndexFor(e.function, SetPointFunctions - 1);
    const SetPointLayout layout = setPointLayout(i);
    SetPointWrite result;

    uint16_t second = 0, third = 0;
    if (layout == SetPointLayout::CriticalValue) {
        const auto critical = encodeEntry(SetPointField::Critical, e.critical, result.refusal);
        if (!critical) return result;
        const auto deadBand = encodeEntry(SetPointField::DeadBand, e.deadBand, result.refusal);
        if (!deadBand) return result;
        second = *critical;
        third = *deadBand;
    } else if (layout == SetPointLayout::PhaseRotation) {
        second = listCode(e.operationIndex);
    }
    const auto delayOn = encodeEntry(SetPointField::DelayOn, e.delayOn, result.refusal);
    if (!delayOn) return result;
    const auto delayOff = encodeEntry(SetPointField::DelayOff, e.delayOff, result.refusal);
    if (!delayOff) return result;

    WriteSequence s;
    s.action = "Setup " + e.functionText;
    s.idleStep = SetPointIdleStep;
    s.failedStep = SetPointIdleStep;
    s.doneWords = e.functionText;
    s.lateErrorWords = e.functionText;
    // A failed block ends the write: the triggers are sent only after it.
    s.frames.push_back(sequenceFrame(FnWriteRegisters, uint16_t(setPointBlock(i)),
                                     {listCode(e.relayIndex), second, third, *delayOn, *delayOff}, QString(),
                                     e.functionText));
    if (layout == SetPointLayout::StatusMatrix) {
        // Every trigger goes out even after one failed; any failure is reported at the end.
        for (int j = 0; j < DigitalInputCount; ++j)
            s.frames.push_back(
                sequenceFrame(FnWriteRegisters, uint16_t(digitalInputBlock(j) + 1), {tagCode(e.triggerTags[size_t(j)])}));
    }
    result.write = std::move(s);
    return result;
}

} // namespace config
