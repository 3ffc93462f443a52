#pragma once
// The "Information" frame of the instant-measurement page: what the identified
// meter says about itself. Two columns of three rows, each a caption and a
// value label labInformation(0..5).

#include <QGroupBox>
#include <QString>
#include <array>

class QLabel;

namespace shell {

class InformationFrame : public QGroupBox {
    Q_OBJECT
public:
    static constexpr int LabelCount = 6;

    explicit InformationFrame(QWidget* parent = nullptr);

    // Value labels: 0 hardware, 1 main software, 2 boot software, 3 serial number,
    // 4 manufacture date, 5 battery date.
    QLabel* labInformation(int index) const;
    void setTexts(const std::array<QString, LabelCount>& texts);

    static const std::array<QString, LabelCount>& captions();

private:
    std::array<QLabel*, LabelCount> values_{};
};

} // namespace shell
