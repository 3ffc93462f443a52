#pragma once
// Meter identification: the model and option word of the probe reply, the
// information block (hardware code, software versions, input ranges, serial
// number, dates), and the values through which the whole window adapts to the
// meter: MeterVersion, CurrentInput1A, VoltageInput150V, MeterModelText,
// MeterOptionBits and FirmwareChanged (all in common::MeterState).

#include "shell/information_frame.h"
#include "shell/meter_options.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>


namespace shell {

class Application;

inline const QString ExpectedMeterModel = QStringLiteral("KD 8921"); // what the probe should report
inline const QString ToolModel = QStringLiteral("KD 4170");          // the model this tool is made for

inline constexpr int16_t CmdMeterInformation = 99;
inline constexpr int InformationStart = 0x0002;
inline constexpr int InformationCount = 26;
inline constexpr uint16_t OptionBitsMask = 0x003F; // options "A".."F"

// "KD " and the model number in four digits at least ("KD 0123").
QString probeModelText(uint16_t model);
// The option word as the program keeps it: bits 0..5 only.
uint16_t maskOptionWord(uint16_t word);
// Hardware code: tens digit 1..9 is the letter "A".."I" (none otherwise), then the units digit.
QString hardwareText(uint16_t code);
// A version register (version times 100) as shown: "##0.00".
QString versionText(uint16_t reg);
// The same register as the version the gates compare, in single precision.
float versionValue(uint16_t reg);

// The information block decoded (registers 0x0002..0x001B, in order).
struct MeterInformation {
    std::array<QString, 6> texts; // labInformation(0..5)
    float version = 0.0f;
    bool currentInput1A = false;   // only known from version 1.2 on
    bool voltageInput150V = false; // only known from version 1.8 on
};
MeterInformation decodeInformation(const std::array<uint16_t, InformationCount>& regs,
                                   const QString& localeDateFormat, const QString& dateSeparator);

class MeterIdentification : public QObject {
    Q_OBJECT
public:
    explicit MeterIdentification(shell::Application& app, QObject* parent = nullptr);
    ~MeterIdentification() override;

    // Decoder of the probe (code 1111).
    void CheckMeterModel();
    // Reads the information block (code 99) and adapts the window; returns 0.
    // The caller has stopped the scheduler or is the scheduler.
    int ReadMeterInformation();
    // Decoder of the information block (code 99).
    void ShowMeterInformation();
    // Adapts the window once the version has changed; returns 0.
    int ApplyMeterOptions();

    // The "Information" frame; hosted on the instant-measurement page's frame
    // while nothing else hosts it. Made again (with the texts shown last) when
    // its host went away.
    shell::InformationFrame* informationFrame();
    // Whether a range scan runs (its probes only find out whether a meter
    // answers). By default: the button "cmdGroup" of the main window is disabled.
    void setScanRunning(std::function<bool()> scanRunning) { scanRunning_ = std::move(scanRunning); }
    // The reactions applied at the last change of version.
    const shell::MeterReactions& lastReactions() const { return last_; }
    const std::array<QString, 6>& informationTexts() const { return texts_; }

private:
    bool scanRunning() const;

    shell::Application& app_;
    QPointer<shell::InformationFrame> frame_;
    std::function<bool()> scanRunning_;
    std::array<QString, 6> texts_;
    shell::MeterReactions last_;
    bool freshProbe_ = false; // a meter was probed since the last information reply
};

// Registers the probe and information decoders and fills ReadMeterInformation.
void installIdentification(shell::Application& app);
// The identification installed in app, or nullptr.
MeterIdentification* findMeterIdentification(shell::Application& app);

} // namespace shell
