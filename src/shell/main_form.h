#pragma once
// The main window: the left panel (meter group, found addresses, page menu), the
// 27 page frames, the "Setup" frame, the function buttons, the six-panel status
// bar, the poll scheduler's timers, and the scrolling used on small screens.
//
// Positions are designed in twips and laid out at 15 twips per pixel.

#include "common/app_state.h"
#include "link/link_state.h"
#include "link/status_sink.h"
#include "shell/page.h"
#include "shell/page_services.h"
#include "shell/scheduler.h"

#include <QColor>
#include <QMainWindow>
#include <QPointer>
#include <QSize>
#include <array>
#include <optional>

class QComboBox;
class QDateTimeEdit;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace rtu {
class ModbusMaster;
}

namespace shell {

class Page;

struct MainFormOptions {
    // The screen size in pixels; the primary screen's when not given.
    std::optional<QSize> screenSize;
};

class MainForm : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int TwipsPerPixel = shell::TwipsPerPixel;
    static constexpr int DesignWidthTwips = 11910;
    static constexpr int DesignHeightTwips = 8295;

    // The master's status sink should be a StatusPanels: its labels become this
    // window's status bar.
    MainForm(rtu::LinkState& link, common::MeterState& meter, common::PageState& page, common::DataLogSet& logs,
             rtu::ModbusMaster& master, PageServices& services, MainFormOptions options = {},
             QWidget* parent = nullptr);
    ~MainForm() override;

    // Adds a built page: its frame replaces the placeholder, its decoders are
    // registered and its step work joins the scheduler. Pages added after the load
    // run their initialiser at once.
    void registerPage(Page& page);

    // --- the window's events ---------------------------------------------------------
    // Runs once: on the first show, or earlier when called.
    void Form_Load();
    // The activation work: run after the settings window and the program's own
    // windows close (not on every activation the desktop reports).
    void Form_Activate();
    // The login window, opened over this window, has closed: the activation's
    // counts and status panels. Its port part belongs to the settings window's
    // return, and its address re-check would break into the operation that asked
    // for the login.
    void ownWindowClosed();
    void Form_Unload(bool& cancel);
    // The ordered end once the user has agreed: polling stopped, port closed,
    // task bar shown again, program ended. Also the settings window's "Exit".
    void shutdownProgram();

    void cmdFunction_Click(int index);
    // Index may be rewritten (a refused change names the current page).
    void optProgram_Click(int16_t& index);
    void InitGridsAndTabs();
    void LockFrames();
    void UnlockFrames();
    // Every page option unselected in the button-face colour, every page frame hidden
    // (the window without a meter).
    void clearPageSelection();
    void ScrollFramesVertical();
    void ScrollFramesHorizontal();

    // Selects a meter without the address check (for tests): the scheduler starts
    // polling it at step 0 of the shown page.
    void selectMeterForTest(const QString& address);

    Scheduler& scheduler() { return scheduler_; }
    QTimer& TCommOnLine() { return scheduler_.TCommOnLine(); }
    QTimer& TScannerTime() { return scheduler_.TScannerTime(); }

    // --- controls ------------------------------------------------------------------------
    QGroupBox* Frame1(int index) const;
    QGroupBox* frmSetup() const { return frmSetup_; }
    QWidget* frmProgram(int index) const;
    QPushButton* optProgram(int index) const;
    QPushButton* cmdFunction(int index) const;
    QPushButton* cmdSetFocus() const { return cmdSetFocus_; }
    QLineEdit* txtAddress() const { return txtAddress_; }
    QComboBox* cbBaudRate() const { return cbBaudRate_; }
    QDateTimeEdit* dtpDate() const { return dtpDate_; }
    QDateTimeEdit* dtpTime() const { return dtpTime_; }
    QDateTimeEdit* dtpBattery() const { return dtpBattery_; }
    QScrollBar* VScroll1() const { return vScroll_; }
    QScrollBar* HScroll1() const { return hScroll_; }
    // The option's face colour: yellow when it marks the shown page.
    QColor optProgramColour(int index) const;

    // The page menu's captions by index ("" for the unused indices) and its order.
    static const std::array<QString, 27>& pageCaptions();
    static const std::array<int16_t, 23>& menuOrder();

    struct ScrollRanges {
        int vertical = 0;
        int horizontal = 0;
    };
    // The scroll bars' maxima for an inner area in twips, so that each bar covers
    // exactly the hidden part of the design area.
    static ScrollRanges scrollRanges(int innerWidthTwips, int innerHeightTwips, int twipsPerPixelX,
                                     int twipsPerPixelY);

    // Where the contents' top-left goes on a screen of at least 800 x 600 pixels:
    // centred across the screen and their top 20 twips above its edge, as designed,
    // but never so high that the frame's title bar (frameTop pixels above the
    // contents) leaves the screen's available area, which begins at availableTop.
    static QPoint contentsPosition(QSize screen, int availableTop, int frameTop);

    // The trace plot's scales (set from the ratios once a trace is read).
    double TraceVoltageScale = 0.942;
    double TraceCurrentScale = 0.009;

signals:
    // Sent first thing when the window is destroyed; event filters on its controls
    // must be removed then.
    void tearingDown();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void setUpScrollBars();
    // The frame's height above the contents, 0 while the desktop has not framed the window.
    int frameTop() const;
    int availableTop() const;
    // Moves the window down when its title bar is above the available area (the
    // desktop may frame the window only after it was placed).
    void keepTitleBarOnScreen();
    // The focus of a control an operation disabled or hid waits on cmdSetFocus
    // (false when that cannot take it) until the control is back.
    bool parkFocus(QWidget* from);
    void focusMoved(QWidget* old, QWidget* now);
    // Active again without a control holding the window's focus: it goes back to the
    // control that last held it, or waits on cmdSetFocus for it.
    void focusBackOnActivation();
    void optionClicked(int index);
    void setOptionColour(int index, const QColor& colour);
    void selectOption(int index, bool selected);
    void openCommSettings();
    void serveCommRequest();
    // "Do you want to Exit ?": true on Yes.
    bool askExit();
    // The exit's own work once it owns the link: the cost file, the save-config offer, close.
    void finishExit();
    rtu::StatusSink& status();
    // UnitTable, the error counts to 0 and the status panels: every activation.
    void resetCountsAndPanels();

    rtu::LinkState& link_;
    common::MeterState& meter_;
    common::PageState& page_;
    common::DataLogSet& logs_;
    rtu::ModbusMaster& master_;
    PageServices& svc_;
    MainFormOptions options_;
    Scheduler scheduler_;

    QWidget* central_ = nullptr;
    std::array<QGroupBox*, 3> frame1_{};
    QGroupBox* frmSetup_ = nullptr;
    std::array<QWidget*, 27> frmProgram_{};
    std::array<QPushButton*, 27> optProgram_{};
    std::array<QColor, 27> optColour_{};
    std::array<QPushButton*, 3> cmdFunction_{};
    QPushButton* cmdSetFocus_ = nullptr;
    QLineEdit* txtAddress_ = nullptr;
    QComboBox* cbBaudRate_ = nullptr;
    QDateTimeEdit* dtpDate_ = nullptr;
    QDateTimeEdit* dtpTime_ = nullptr;
    QDateTimeEdit* dtpBattery_ = nullptr;
    QScrollBar* vScroll_ = nullptr;
    QScrollBar* hScroll_ = nullptr;
    std::array<Page*, 27> pages_{};
    QPointer<QWidget> parked_; // the control whose focus waits on cmdSetFocus
    QPointer<QWidget> lastFocus_; // the control of this window that last had the focus
    QMetaObject::Connection focusWatch_;

    bool loaded_ = false;
    bool keepTitleBar_ = false; // placed for a large screen: the title bar stays reachable
    bool shownOnce_ = false;
    bool closing_ = false;
    bool commWanted_ = false; // "Comm" was pressed and the settings window has not opened yet
    bool exitConfirmed_ = false; // Yes to "Do you want to Exit ?": the program is on its way out
    bool pageShown_ = false;     // a page chosen from the menu is on screen
};

} // namespace shell
