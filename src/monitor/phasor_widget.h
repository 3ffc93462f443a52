#pragma once
// The phasor diagram: a dial of 45-degree marks around the centre (3720, 3000) in
// logical twips, one line per channel from the centre to its tip and the channel
// names near the tips. Current phasors are dashed and thin, voltage phasors solid
// and thicker. The page computes the tips; this widget only keeps and draws them.

#include "monitor/waveform_math.h"

#include <QColor>
#include <QString>
#include <QWidget>
#include <array>

namespace monitor {

class PhasorWidget : public QWidget {
    Q_OBJECT
public:
    // The logical area shown: the dial picture, 6000 x 6000 twips from (720, 0).
    static constexpr int AreaLeft = 720, AreaTop = 0, AreaSize = 6000;

    explicit PhasorWidget(QWidget* parent = nullptr);

    // linPhaser(i): tip (X1, Y1); the other end stays at the centre.
    void setTip(int i, wave::Point tip);
    // labPhaser(i): caption and top-left position.
    void setLabel(int i, const QString& caption, wave::Point at);
    void setColour(int i, const QColor& colour);
    void setLineVisible(int i, bool visible);
    // Puts every tip back on the centre (nothing drawn until the next diagram).
    void reset();

    wave::Point tip(int i) const { return tips_[size_t(i)]; }
    wave::Point labelPos(int i) const { return labelPos_[size_t(i)]; }
    QString labelText(int i) const { return labels_[size_t(i)]; }
    QColor colour(int i) const { return colours_[size_t(i)]; }
    bool lineVisible(int i) const { return visible_[size_t(i)]; }

    QSize sizeHint() const override { return {400, 400}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<wave::Point, wave::kChannels> tips_{};
    std::array<wave::Point, wave::kChannels> labelPos_{};
    std::array<QString, wave::kChannels> labels_;
    std::array<QColor, wave::kChannels> colours_;
    std::array<bool, wave::kChannels> visible_{};
};

} // namespace monitor
