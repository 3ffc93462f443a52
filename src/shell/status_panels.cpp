#include "shell/status_panels.h"

#include <QStatusBar>

namespace shell {

namespace {
constexpr int kTwipsPerPixel = 15;
}

void StatusPanels::attach(QStatusBar* bar) {
    if (!bar) return;
    bar->setSizeGripEnabled(false);
    for (int i = 0; i < 6; ++i) {
        auto* l = new QLabel(texts_[size_t(i)], bar);
        l->setObjectName(QStringLiteral("StatusBar1_Panel%1").arg(i + 1));
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        const int width = WidthsTwips[size_t(i)] / kTwipsPerPixel;
        if (i == 0) {
            // The message panel takes the room the others leave: it must not push
            // the window wider than the screen.
            bar->addWidget(l, 1);
        } else {
            // The other panels grow to their text ("9600,None,8,1 " is wider than the design).
            l->setMinimumWidth(width);
            l->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
            bar->addPermanentWidget(l, 0);
        }
        labels_[size_t(i)] = l;
    }
}

void StatusPanels::setPanelText(int panel, const QString& text) {
    if (panel < 1 || panel > 6) return;
    texts_[size_t(panel - 1)] = text;
    if (QLabel* l = labels_[size_t(panel - 1)]) l->setText(text);
}

QString StatusPanels::panelText(int panel) const {
    return (panel >= 1 && panel <= 6) ? texts_[size_t(panel - 1)] : QString();
}

QLabel* StatusPanels::label(int panel) const {
    return (panel >= 1 && panel <= 6) ? labels_[size_t(panel - 1)].data() : nullptr;
}

} // namespace shell
