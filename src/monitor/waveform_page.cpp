#include "monitor/waveform_page.h"

#include "common/prompter.h"
#include "common/shared_routines.h"
#include "link/modbus_master.h"
#include "shell/app_state.h"
#include "shell/page_context.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <cmath>

namespace monitor {

namespace {
constexpr int kPageWidthPx = 530, kPageHeightPx = 512; // the page frame, 7950 x 7680 twips

const char* const kChannelCaptions[6] = {"IA", "IB", "IC", "Van", "Vbn", "Vcn"};
const char* const kCursorCaptions[4] = {"Cursor_VA1", "Cursor_VA2", "Cursor_ms1", "Cursor_ms2"};

// The decimal text of a reading kept in a hidden holder label.
QString decimalText(double v) { return QString::number(v, 'g', 15); }
QString singleText(double v) { return QString::number(double(float(v)), 'g', 7); }

void setForeColour(QWidget* w, const QColor& c) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, c);
    pal.setColor(QPalette::ButtonText, c);
    pal.setColor(QPalette::Text, c);
    w->setPalette(pal);
}
} // namespace

WaveformPage::WaveformPage(shell::AppState& app, rtu::ModbusMaster& master, HarmonicGridFn harmonicGrid,
                           std::function<void()> harmonicsChanged)
    : app_(app), harmonicGrid_(std::move(harmonicGrid)), harmonicsChanged_(std::move(harmonicsChanged)) {
    frame_ = new QGroupBox(QStringLiteral("Waveform Capture"));
    frame_->setObjectName(QStringLiteral("frmProgram_14"));
    frame_->resize(kPageWidthPx, kPageHeightPx);
    capture_ = std::make_unique<WaveformCapture>(app, master, frame_.data());
    capture_->instantValue = [this](InstantLabel l, int i) { return labelValue(l, i); };
    capture_->channelHarmonics = [this](int ch, bool compute) { ShowWaveformHarmonics(ch, compute); };
    capture_->captureComplete = [this] {
        PrepareWaveformChannels();
        DrawWaveform();
        DrawPhasorDiagram();
        if (app_.meter.MeterVersion < 2.1f && harmonicsChanged_) harmonicsChanged_();
    };
    colour_ = {QApplication::palette().color(QPalette::ButtonText), QColor(255, 0, 0), QColor(0, 128, 0),
               QColor(0, 255, 255), QColor(0, 0, 255), QColor(255, 0, 255)};
    buildControls();
    connect(capture_.get(), &WaveformCapture::captureTimeShown, this, [this] {
        labWaceform_[10]->setText(capture_->captureDateText());
        labWaceform_[12]->setText(capture_->frequencyText());
        setForeColour(labWaceform_[12], capture_->frequencyUnavailable() ? QColor(255, 0, 0) : QColor(0, 0, 0));
    });
}

WaveformPage::~WaveformPage() {
    // The main window deletes the frame it took in; a page never taken in owns it.
    delete frame_.data();
}

QWidget* WaveformPage::widget() { return frame_.data(); }

void WaveformPage::registerDecoders(rtu::ModbusMaster& master) { capture_->registerDecoders(master); }

// --- controls ------------------------------------------------------------------------------

void WaveformPage::buildControls() {
    capture_->chkWF()->setGeometry(12, 20, 220, 22);
    tabs_ = new QTabWidget(frame_.data());
    tabs_->setObjectName(QStringLiteral("tabWaveform"));
    tabs_->setGeometry(6, 46, kPageWidthPx - 12, kPageHeightPx - 52);
    auto* waveTab = new QWidget;
    auto* phasorTab = new QWidget;
    tabs_->addTab(waveTab, QStringLiteral("Waveform"));
    tabs_->addTab(phasorTab, QStringLiteral("Phaser"));
    buildWaveformTab(waveTab);
    buildPhasorTab(phasorTab);
    for (int ch = 0; ch < 6; ++ch) applyColour(ch);
}

void WaveformPage::buildWaveformTab(QWidget* tab) {
    plot_ = new WaveformPlot(tab);
    plot_->move(6, 6);
    connect(plot_, &WaveformPlot::dragged, this, [this](int x, int y) { moveSelectedCursor(x, y); });

    for (int ch = 0; ch < 6; ++ch) {
        auto* box = new QCheckBox(kChannelCaptions[ch], tab);
        box->setObjectName(QStringLiteral("chkWaveform_%1").arg(ch));
        box->setChecked(true);
        box->setGeometry(414, 6 + ch * 22, 90, 20);
        box->installEventFilter(this);
        chkWaveform_[size_t(ch)] = box;
    }
    for (int i = 0; i < 4; ++i) {
        auto* opt = new QRadioButton(kCursorCaptions[i], tab);
        opt->setObjectName(QStringLiteral("optWaceform_%1").arg(i));
        opt->setGeometry(414, 150 + i * 22, 100, 20);
        connect(opt, &QRadioButton::clicked, this, [this, i] { optWaceform_Click(i); });
        optWaceform_[size_t(i)] = opt;
    }
    optWaceform_[0]->setChecked(true);

    for (int i = 0; i < 13; ++i) {
        auto* lab = new QLabel(tab);
        lab->setObjectName(QStringLiteral("labWaceform_%1").arg(i));
        labWaceform_[size_t(i)] = lab;
        if (i <= 5) lab->hide(); // the cursors' own values: read back by the differences
    }
    const int readTop = 6 + plot_->height() + 8;
    labWaceform_[6]->setText(QStringLiteral("0 A"));
    labWaceform_[7]->setText(QStringLiteral("0 V"));
    labWaceform_[8]->setText(QStringLiteral("0 ms"));
    for (int i = 6; i <= 8; ++i) {
        labWaceform_[size_t(i)]->setGeometry(6 + (i - 6) * 135, readTop, 130, 22);
        labWaceform_[size_t(i)]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        labWaceform_[size_t(i)]->setAlignment(Qt::AlignCenter);
    }
    labWaceform_[9]->setText(QStringLiteral("Waveform Capture Date : "));
    labWaceform_[11]->setText(QStringLiteral("Waveform Capture Frequency : "));
    labWaceform_[9]->setGeometry(6, readTop + 30, 190, 20);
    labWaceform_[10]->setGeometry(196, readTop + 30, 250, 20);
    labWaceform_[11]->setGeometry(6, readTop + 52, 190, 20);
    labWaceform_[12]->setGeometry(196, readTop + 52, 250, 20);
}

void WaveformPage::buildPhasorTab(QWidget* tab) {
    phasor_ = new PhasorWidget(tab);
    phasor_->setGeometry(66, 4, 380, 380);
    static const char* const titles[6] = {"Van : ", "Vbn : ", "Vcn : ", "IA : ", "IB : ", "IC : "};
    for (int k = 0; k < 6; ++k) {
        const bool upper = k < 3;
        const int top = upper ? 390 : 414;
        const int col = k % 3;
        auto* title = new QLabel(titles[k], tab);
        title->setObjectName(QStringLiteral("Label5_%1").arg(k));
        title->setGeometry(20 + col * 135, top, 55, 20);
        title->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label5_[size_t(k)] = title;
        // Voltages (channels 3..5) on the upper row, currents (0..2) on the lower one.
        const int ch = upper ? k + 3 : k - 3;
        auto* angle = new QLabel(QStringLiteral("0"), tab);
        angle->setObjectName(QStringLiteral("labAngle_%1").arg(ch));
        angle->setGeometry(78 + col * 135, top, 60, 20);
        angle->installEventFilter(this);
        labAngle_[size_t(ch)] = angle;
    }
    for (int i = 0; i < 2; ++i) {
        auto* view = new QCheckBox(QStringLiteral("View"), tab);
        view->setObjectName(QStringLiteral("chkPhaser_%1").arg(i));
        view->setChecked(true);
        view->setGeometry(440, i == 0 ? 414 : 390, 60, 20);
        connect(view, &QCheckBox::toggled, this, [this] { applyPhasorVisibility(); });
        chkPhaser_[size_t(i)] = view;
    }
}

void WaveformPage::applyColour(int ch) {
    const QColor c = colour_[size_t(ch)];
    setForeColour(chkWaveform_[size_t(ch)], c);
    setForeColour(labAngle_[size_t(ch)], c);
    phasor_->setColour(ch, c);
}

void WaveformPage::applyPhasorVisibility() {
    for (int i = 0; i < 6; ++i) phasor_->setLineVisible(i, chkPhaser_[i < 3 ? 0 : 1]->isChecked());
}

bool WaveformPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        for (int i = 0; i < 6; ++i) {
            if (watched == chkWaveform_[size_t(i)] || watched == labAngle_[size_t(i)]) {
                ChooseChannelColor(i);
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

// --- page hooks ----------------------------------------------------------------------------

void WaveformPage::init() {
    // InitWaveformGrid: the store's headings are written when it is made; the
    // cursors go to their start and the phasors onto the centre.
    WaveformCursor = 0;
    WaveformCursorX = {0, 0, 0, 0};
    const int16_t zero = int16_t(plot_->geometryTwips().zeroLine());
    WaveformCursorY = {zero, zero, 0, 0};
    optWaceform_[0]->setChecked(true);
    plot_->setCursorLines({0, 0, 0, 0}, {zero, zero, 0, 0});
    phasor_->reset();
    for (int i = 0; i < 6; ++i) phasor_->setLabel(i, chkWaveform_[size_t(i)]->text(), phasor_->labelPos(i));
}

void WaveformPage::showFirstTabs() { tabs_->setCurrentIndex(0); }

void WaveformPage::drawPlotGrids() {
    // The grid is the plot's permanent background: clearing the curves shows it.
    plot_->clearCurves();
}

// --- channel set-up and phase angles ----------------------------------------------------------

std::optional<double> WaveformPage::labelValue(InstantLabel label, int index) const {
    // The instant page's label arrays, found by their object names.
    if (!frame_ || !frame_->window()) return std::nullopt;
    const QString name = label == InstantLabel::Current ? QStringLiteral("labCurrentD") : QStringLiteral("labVoltageD");
    QWidget* top = frame_->window();
    for (const QString& candidate : {name + "_" + QString::number(index), name + QString::number(index)}) {
        if (auto* lab = top->findChild<QLabel*>(candidate)) return common::leadingNumber(lab->text());
    }
    return std::nullopt;
}

void WaveformPage::PrepareWaveformChannels() {
    const bool lineWiring = app_.meter.WiringMode == 2;
    static const char* const lineNames[3] = {"Vab", "Vbc", "Vca"};
    static const char* const phaseNames[3] = {"Van", "Vbn", "Vcn"};
    for (int k = 0; k < 3; ++k) {
        const QString name = QString::fromLatin1(lineWiring ? lineNames[k] : phaseNames[k]);
        chkWaveform_[size_t(k + 3)]->setText(name);
        phasor_->setLabel(k + 3, name, phasor_->labelPos(k + 3));
        label5_[size_t(k)]->setText(name + " : ");
    }

    wave::RawCapture samples = capture_->samples();
    const auto zero = [this](InstantLabel l, int i) { return capture_->instantReadsZero(l, i); };
    if (lineWiring) {
        wave::transformForLineWiring(samples, zero(InstantLabel::Current, 1));
        capture_->setSamples(samples);
    }
    wave::SignalFlags signal{};
    if (!lineWiring) {
        for (int i = 0; i < 3; ++i) {
            signal[size_t(i)] = !zero(InstantLabel::Current, i);
            signal[size_t(i + 3)] = !zero(InstantLabel::Voltage, i);
        }
    } else {
        signal[wave::IA] = !zero(InstantLabel::Current, 0);
        signal[wave::IB] = !(zero(InstantLabel::Current, 0) && zero(InstantLabel::Current, 2));
        signal[wave::IC] = !zero(InstantLabel::Current, 2);
        for (int i = 0; i < 3; ++i) signal[size_t(i + 3)] = !zero(InstantLabel::Voltage, i + 5);
    }
    capture_->PhaseAngle = wave::measurePhaseAngles(samples, signal);
}

// --- drawing -----------------------------------------------------------------------------------

void WaveformPage::DrawWaveform() {
    std::array<bool, 6> shown{};
    for (int ch = 0; ch < 6; ++ch) shown[size_t(ch)] = chkWaveform_[size_t(ch)]->isChecked();
    plot_->drawWaveform(capture_->samples(), shown, colour_);
}

void WaveformPage::DrawPhasorDiagram() {
    applyPhasorVisibility();
    for (int i = 0; i < 6; ++i) {
        const int a = wave::shownPhasorAngle(capture_->PhaseAngle[size_t(i)], capture_->PhasorAngle[size_t(i)]);
        phasor_->setTip(i, wave::phasorPoint(a, wave::kPhasorLength));
        const QString caption = i < 3 ? QString::fromLatin1(kChannelCaptions[i]) : chkWaveform_[size_t(i)]->text();
        phasor_->setLabel(i, caption, wave::phasorPoint(a, wave::kPhasorLabelRadius[size_t(i)]));
        capture_->PhasorAngle[size_t(i)] = float(a);
        labAngle_[size_t(i)]->setText(QString::number(a));
    }
}

// --- cursors -------------------------------------------------------------------------------------

void WaveformPage::optWaceform_Click(int index) {
    if (index < 0 || index > 3) return;
    WaveformCursor = int16_t(index);
    if (!optWaceform_[size_t(index)]->isChecked()) optWaceform_[size_t(index)]->setChecked(true);
}

void WaveformPage::moveSelectedCursor(int x, int y) {
    const auto i = size_t(std::clamp<int>(WaveformCursor, 0, 3));
    WaveformCursorX[i] = int16_t(std::clamp(x, -32768, 32767));
    WaveformCursorY[i] = int16_t(std::clamp(y, -32768, 32767));
    ShowWaveformCursors();
}

void WaveformPage::ShowWaveformCursors() {
    const wave::PlotGeometry& g = plot_->geometryTwips();
    std::array<int, 4> xs{}, ys{};
    for (int i = 0; i < 4; ++i) {
        xs[size_t(i)] = WaveformCursorX[size_t(i)];
        ys[size_t(i)] = WaveformCursorY[size_t(i)];
    }
    plot_->setCursorLines(xs, ys);
    auto holder = [this](int i) { return common::leadingNumber(labWaceform_[size_t(i)]->text()); };

    for (int i = 0; i < 2; ++i) {
        if (auto m = wave::levelDistance(ys[size_t(i)], g)) {
            labWaceform_[size_t(i)]->setText(decimalText(*m * capture_->WaveformCurrentScale));
            labWaceform_[size_t(i + 4)]->setText(decimalText(*m * capture_->WaveformVoltageScale));
        }
        const double dI = wave::levelDifference(holder(0), holder(1), ys[0], ys[1], g);
        const double dV = wave::levelDifference(holder(4), holder(5), ys[0], ys[1], g);
        if (std::isfinite(dI)) labWaceform_[6]->setText(common::FormatScaledValue(decimalText(dI), 0));
        if (std::isfinite(dV)) labWaceform_[7]->setText(common::FormatScaledValue(decimalText(dV), 6));
    }
    // Without a capture frequency there is no time scale: the time read-outs stay.
    const std::optional<double> perUnit = wave::msPerUnit(capture_->WaveformFrequency, g);
    if (!perUnit) return;
    for (int i = 2; i < 4; ++i) {
        if (wave::timeCursorInRange(xs[size_t(i)], g))
            labWaceform_[size_t(i)]->setText(singleText(*perUnit * xs[size_t(i)]));
        const double dt = std::fabs(holder(2) - holder(3));
        if (std::isfinite(dt)) labWaceform_[8]->setText(QString::number(dt, 'f', 3) + " ms");
    }
}

// --- harmonic analysis on the PC -------------------------------------------------------------------

void WaveformPage::ShowWaveformHarmonics(int ch, bool compute) {
    if (ch < 0 || ch >= 6 || !harmonicGrid_) return;
    QTableWidget* grid = harmonicGrid_(ch >= 3);
    const int row = ch < 3 ? ch + 1 : ch - 2;
    if (!grid || grid->rowCount() <= row || grid->columnCount() < 27) return;
    auto put = [grid, row](int col, const QString& text) {
        if (QTableWidgetItem* item = grid->item(row, col)) item->setText(text);
        else grid->setItem(row, col, new QTableWidgetItem(text));
    };
    if (!compute) {
        for (int col = 1; col <= 26; ++col) put(col, QStringLiteral("0"));
        return;
    }
    const wave::HarmonicShares h = wave::analyseHarmonics(capture_->channel(ch));
    if (!h.valid) return; // a silent cycle has no shares: the row keeps what it showed
    for (int n = 1; n <= wave::kOrders; ++n) put(n + 1, QString::number(h.percent[size_t(n - 1)], 'f', 2));
    put(1, QString::number(h.thd, 'f', 2));
}

// --- colours -------------------------------------------------------------------------------------------

void WaveformPage::ChooseChannelColor(int index) {
    if (index < 0 || index >= 6) return;
    const std::optional<QColor> chosen = common::prompter().pickColor(colour_[size_t(index)], QString());
    if (!chosen || !chosen->isValid()) return;
    colour_[size_t(index)] = *chosen;
    applyColour(index);
}

void WaveformPage::runStep(int16_t step) {
    (void)step;
    runSequence();
}

void WaveformPage::runSequence() {
    WaveformCapture& c = capture();
    if (!c.enabled()) return;
    c.ClearPhaseAngles();
    // The capture derives amperes and volts per count from the instant values.
    if (liveRead_) liveRead_();
    c.TriggerWaveformCapture();
    c.ReadWaveformCaptureTime();
    c.CaptureWaveform();
    // A cycle whose meter was let go meanwhile ends without touching the read-outs.
    if (app_.link.meterSelected()) ShowWaveformCursors();
}

// --- installer ---------------------------------------------------------------------------------------------

void installWaveformPage(shell::PageContext& app, std::function<QTableWidget*(bool)> harmonicGrid,
                         std::function<void()> harmonicsChanged) {
    if (app.page(14)) return; // installed once per program
    auto page = std::make_unique<WaveformPage>(app.app(), app.master(), std::move(harmonicGrid),
                                               std::move(harmonicsChanged));
    WaveformPage* p = page.get();
    WaveformCapture* c = &p->capture();
    shell::PageServices& s = app.services();
    s.TriggerWaveformCapture = [c] { c->TriggerWaveformCapture(); };
    s.ReadWaveformCaptureTime = [c] { c->ReadWaveformCaptureTime(); };
    s.CaptureWaveform = [c] { c->CaptureWaveform(); };
    s.RunWaveformSequence = [p] { p->runSequence(); };
    p->setLiveRead([&s] {
        if (s.ReadInstantAndEnergy) s.ReadInstantAndEnergy();
    });
    app.adoptPage(std::move(page));
}

} // namespace monitor
