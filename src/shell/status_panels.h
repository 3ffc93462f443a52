#pragma once
// The six status-bar panels over QLabels. The texts live here, so the link can
// write them before the main window exists and while it is being torn down.

#include "link/status_sink.h"

#include <QLabel>
#include <QPointer>
#include <QString>
#include <array>

class QStatusBar;

namespace shell {

class StatusPanels : public rtu::StatusSink {
public:
    // Widths in twips of panels 1..6.
    static constexpr std::array<int, 6> WidthsTwips{9570, 495, 495, 495, 495, 255};

    // Creates the six labels in `bar` and shows the texts held so far.
    void attach(QStatusBar* bar);
    void setPanelText(int panel, const QString& text) override;
    QString panelText(int panel) const override;
    QLabel* label(int panel) const;

private:
    std::array<QString, 6> texts_;
    std::array<QPointer<QLabel>, 6> labels_;
};

} // namespace shell
