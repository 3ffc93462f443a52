#pragma once
#include <QString>

namespace rtu {

// The six status-bar panels (1-based, as the program numbers them): 1 message,
// 2 port, 3 line parameters, 4 CRC count, 5 time-out count, 6 activity mark.
class StatusSink {
public:
    virtual ~StatusSink() = default;
    virtual void setPanelText(int panel, const QString& text) = 0;
    virtual QString panelText(int panel) const = 0;
};

// A status bar held in memory: the link's default, and what tests read.
class MemoryStatus : public StatusSink {
public:
    void setPanelText(int panel, const QString& text) override {
        if (panel >= 1 && panel <= 6) panels[panel - 1] = text;
    }
    QString panelText(int panel) const override {
        return (panel >= 1 && panel <= 6) ? panels[panel - 1] : QString();
    }
    QString panels[6];
};

} // namespace rtu
