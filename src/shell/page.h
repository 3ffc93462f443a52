#pragma once
// A page of the main window: one of the frames frmProgram(0..26) together with
// the work the poll scheduler does for it and the reply decoders it owns.
//
// Pages arrive one issue at a time. A page that is not built yet has only its
// selector button and an empty placeholder frame; its scheduler work does nothing.

#include <QWidget>
#include <cstdint>

namespace rtu {
class ModbusMaster;
}

namespace shell {

// Window coordinates are given in twips, as the meter's documentation draws them.
inline constexpr int TwipsPerPixel = 15;
// Twips to pixels, rounded to the nearest pixel.
inline int px(double twips) { return qRound(twips / TwipsPerPixel); }
// Places a widget by its position and size in twips.
inline void placeTwips(QWidget* w, int left, int top, int width, int height = 315) {
    if (w) w->setGeometry(px(left), px(top), px(width), px(height));
}

class Page {
public:
    virtual ~Page() = default;

    // The page's index, 0..26 (the index of its selector button and frame).
    virtual int16_t index() const = 0;
    // The page's frame; the main window places and shows it. nullptr keeps the
    // placeholder frame.
    virtual QWidget* widget() = 0;

    // The page's initialiser (grid headings, list items); sends nothing. Run once by
    // InitGridsAndTabs while Refreshing is set, so change handlers mark nothing.
    virtual void init() {}
    // Shows the first tab of each of the page's tab controls (after every init()).
    virtual void showFirstTabs() {}
    // Draws the page's empty plot grids (after every showFirstTabs()).
    virtual void drawPlotGrids() {}

    // True when the page runs its own step work through runStep(); false leaves the
    // page to the scheduler's page table, which calls the procedures in PageServices.
    virtual bool hasStepWork() const { return false; }
    // The page work of one scheduler tick for the current step. The work moves the
    // step on through PageState::moveStep, never over what a person asked meanwhile.
    virtual void runStep(int16_t step) { (void)step; }

    // Asks for the write of step with the page's values as shown now, which it then
    // sends whatever the page shows by its turn. False for a page that keeps no such
    // values: the step is asked as it is.
    virtual bool askWrite(int16_t step) {
        (void)step;
        return false;
    }

    // Another meter was selected, or none is: what the page shows of the meter
    // before is no longer true (logs, records, set-up read from it).
    virtual void meterChanged() {}

    // Registers the decoders of the page's command codes with the dispatcher.
    virtual void registerDecoders(rtu::ModbusMaster& master) { (void)master; }
};

} // namespace shell
