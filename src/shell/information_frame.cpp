#include "shell/information_frame.h"

#include <QGridLayout>
#include <QLabel>

namespace shell {

const std::array<QString, InformationFrame::LabelCount>& InformationFrame::captions() {
    static const std::array<QString, LabelCount> texts{"Hardware Version", "Main Software Version",
                                                       "Boot Software Version", "Serial Number",
                                                       "Manufacture Date", "Battery Date"};
    return texts;
}

InformationFrame::InformationFrame(QWidget* parent) : QGroupBox(QStringLiteral("Information"), parent) {
    setObjectName(QStringLiteral("frmInformation"));
    auto* grid = new QGridLayout(this);
    for (int i = 0; i < LabelCount; ++i) {
        // Left column rows 0..2, right column rows 0..2.
        const int row = i % 3, column = (i / 3) * 2;
        auto* caption = new QLabel(captions()[size_t(i)], this);
        caption->setObjectName(QStringLiteral("labInformationCaption_%1").arg(i));
        auto* value = new QLabel(this);
        value->setObjectName(QStringLiteral("labInformation_%1").arg(i));
        value->setFrameShape(QFrame::Panel);
        value->setFrameShadow(QFrame::Sunken);
        value->setMinimumWidth(90);
        grid->addWidget(caption, row, column);
        grid->addWidget(value, row, column + 1);
        values_[size_t(i)] = value;
    }
}

QLabel* InformationFrame::labInformation(int index) const {
    return (index >= 0 && index < LabelCount) ? values_[size_t(index)] : nullptr;
}

void InformationFrame::setTexts(const std::array<QString, LabelCount>& texts) {
    for (int i = 0; i < LabelCount; ++i) values_[size_t(i)]->setText(texts[size_t(i)]);
}

} // namespace shell
