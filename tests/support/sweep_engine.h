#pragma once
// The sweep of the whole window: on a page, each exchange with the meter is held while a
// person acts (a button, an option, a list, typing and Enter in a field, a grid cell, a
// file, another page). Afterwards the action must have ended as the same action ends
// when done at rest (its questions, boxes, file dialogs, writes and their order, status
// line, what the page shows, and whether the address box has the focus), or a box must
// say why it was refused; and nothing may reach the other meter on the line. Some trials
// do several actions in one wait, or answer No.
//
// The reference is the same action done at rest in a fresh program, on the value the
// person gave during the wait (the list item, the check, the typed text), so that a read
// answering after the action cannot change what the action meant.

#include "program_rig.h"

#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace sweep {

using Bytes = std::vector<uint8_t>;

// What a person does.
struct Action {
    enum class Kind { Click, List, Step, Field, Cell, Tab, Page };
    Kind kind = Kind::Click;
    QString control;         // the control's object name (the grid's for Cell, the tab control's for Tab)
    QString text;            // what is typed (Field, Cell)
    int row = 0, column = 0; // Cell; the tab for Tab
    int16_t option = -1;     // Page: the selector option clicked
    QString file;         // the answer of the next file dialog: a file in the program folder, or a full path
    QString writer;       // the button that writes what this edit changed ("" = the page's write)
    bool setting = false; // a click that changes a setting the page's write sends
    QString name() const;
    // The same edit, written with another button than the page's.
    Action writtenBy(const QString& button) const {
        Action a = *this;
        a.writer = button;
        return a;
    }
};

// A button, option or check box clicked; file answers the file dialog it may open.
Action click(const QString& control, const QString& file = {});
// An option or check box of a setting the page's write sends.
Action option(const QString& control);
// A list: focus, then one step with the arrow keys.
Action list(const QString& control);
// A date or time picker: its first part clicked, then one step down with the arrow key.
Action step(const QString& control);
// A field: clicked, all of it selected, text typed, Enter.
Action field(const QString& control, const QString& text);
// A grid cell clicked at its centre; text (if any) typed into what the click opened, Enter.
Action cell(const QString& grid, int row, int column, const QString& text = {});
// A tab chosen by a click on its tab.
Action tab(const QString& tabs, int index);
// Another page chosen with its selector option.
Action page(int16_t option);

// An exchange whose reply is held, by function code and first register.
struct Exchange {
    enum class Cause { Poll, Entry, Action, Choice };
    uint8_t function = 3;
    uint16_t first = 0;
    // The page's own work once shown; the page being chosen; an action; or no exchange at
    // all: the page chosen and the actions done at once, before its first read.
    Cause cause = Cause::Poll;
    std::optional<Action> by;  // the action that sends it (Cause::Action)
    std::vector<Action> atOnce; // Cause::Choice: the actions tried, each in a trial of its own
    QString name() const;
};
Exchange poll(uint16_t first, uint8_t function = 3);
Exchange entry(uint16_t first, uint8_t function = 3);
Exchange after(const Action& by, uint8_t function, uint16_t first);
// The page chosen and each of actions done at once, before the page's first read.
Exchange atOnce(std::vector<Action> actions);

class Rig;

// Actions done one after the other during one wait; the reference does them at rest, each
// once the one before has ended. answers: the questions they raise in turn, 'N' No and
// anything else Yes (Yes after the last).
struct Trial {
    std::vector<Action> actions;
    QString answers = {};
    QString name() const;
};

struct PageSweep {
    PageSweep(QString name, int16_t option, uint16_t bootVersion = 230)
        : name(std::move(name)), option(option), bootVersion(bootVersion) {}
    QString name;
    int16_t option = 0;         // the selector option that shows the page
    uint16_t bootVersion = 230; // the meter's version (230 = 2.3)
    std::vector<Exchange> exchanges;
    std::vector<Action> actions;
    // The page's write: clicked at rest after an edit, so that what the edit left
    // behind is what goes to the meter.
    std::optional<Action> write;
    QStringList unstable; // controls that change by themselves (pickers on the PC clock)
    QStringList grids;    // "grid:column" whose cells count as shown
    // Writes the page sends by itself while it is shown (a capture trigger), by function
    // and register: they are no effect of an action.
    std::vector<std::pair<uint8_t, uint16_t>> ownWrites;
    // Results the page's own polling shows on the status line: no effect of an action.
    QStringList ownResults;
    // Registers whose writes carry the PC clock: only which registers they write counts.
    std::vector<uint16_t> clockWrites;
    std::vector<std::pair<QString, QString>> files; // made in the program folder: name, text
    std::vector<Action> open;                       // done at rest after the page is chosen (its tabs)
    // Further trials against every exchange: several actions in one wait (two asks), or
    // questions answered No.
    std::vector<Trial> trials;
};

// What an action led to, from a mark on.
struct Effect {
    QStringList boxes;         // "title: text"
    QStringList dialogs;       // "Open: title"
    std::vector<Bytes> writes; // address to last data byte
    QStringList results;       // the results the status line showed ("Meter [1] ... Ok!"), each once
    int16_t page = -1;
    QString meter;     // the selected meter's address ("xxx" for none)
    QStringList shown; // "control=value" of the page shown
    bool addressFocus = false; // the meter address box has the keyboard focus
    // What changed in the other meter on the line (meter 2): registers and coils that
    // no action on meter 1 may touch (a broadcast reaches it as meant).
    QStringList otherMeter;
};

// The whole program with every page against a meter that has every option and every
// page's registers, a login that always succeeds, questions answered Yes, fast timers,
// the window active and meter 1 selected by its typed address. Meter 2, with the same
// registers at the same rate, shares the line.
class Rig : public ProgramRig {
public:
    explicit Rig(uint16_t bootVersion = 230, const PageSweep* sweep = nullptr);

    template <class T = QWidget> T* control(const QString& name) { return mainForm().findChild<T*>(name); }
    // Does the action; with `intent` (what it gave before) it reaches that value instead
    // of taking one step. Returns the value the action gave ("" for buttons and pages),
    // or nullopt when its control was disabled or hidden.
    std::optional<QString> perform(const Action& a, const std::optional<QString>& intent = std::nullopt);
    // Chooses the page, opens what the sweep opens (up to `until`, which is left to do)
    // and waits until it is quiet.
    bool show(const PageSweep& p, const std::optional<Action>& until = std::nullopt);
    // Waits until the page's work is done: the link free and nothing changed (step, edits,
    // boxes, writes, status line) over three scheduler ticks.
    bool settle();
    // Starts an effect.
    void mark();
    Effect effect();

private:
    std::vector<Bytes> writes() const;
    QStringList otherMeterChanges();

    const PageSweep* sweep_;
    std::size_t boxes0_ = 0, dialogs0_ = 0;
    std::vector<uint16_t> otherRegisters0_; // meter 2 at the mark
    std::set<uint16_t> otherCoils0_;
    std::size_t otherCoilLog0_ = 0;
    // The status line's results come and go with the next reply: they are watched, and
    // each one the window paints counts as shown, however soon another replaces it.
    QTimer resultWatch_;
    QStringList results_;
    void noteResult(const QString& text);
    std::unique_ptr<QObject> paintWatch_;
};

// An effect with its boxes (questions among them) and write frames as one sequence.
struct Seen {
    Effect effect;
    QStringList sequence;
};

struct Outcome {
    bool ran = false;      // the exchange came and the action was done during it
    bool honoured = false; // as at rest, or refused with a box
    QString report;        // what differed
};

// Runs the trials of one page; references are kept for the trials that share them.
class Sweeper {
public:
    explicit Sweeper(PageSweep page) : page_(std::move(page)) {}
    Outcome trial(const Exchange& x, const Trial& t);

private:
    // The trial's own program: the actions done during the held exchange, then their effect.
    struct Run {
        bool acted = false, settled = false;
        std::vector<std::optional<QString>> intents;
        Seen seen;
    };
    Run during(const Exchange& x, const Trial& t);
    Seen reference(const Exchange& x, const Trial& t, const std::vector<std::optional<QString>>& intents);
    void finish(Rig& r, const Action& a);
    int16_t shownIndex() const;

    PageSweep page_;
    std::map<QString, Seen> references_;
};

// Runs every exchange × action, and × trial, of the page.
void runSweep(const PageSweep& page);

} // namespace sweep
