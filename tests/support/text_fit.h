#pragma once
// What a person reads in a window, measured with the window's own fonts: every
// visible label, button, frame title, chosen list item, tab name and fixed
// (heading) grid cell whose text is
// wider or taller than the room its control gives it (a caption may not wrap to a
// second line), or lies under another control.

#include <QString>
#include <vector>

class QWidget;

struct TextFault {
    QString control; // class and object name, or the grid cell
    QString text;
    QString fault;   // "cut by N px" or "under <control>"
    std::string describe() const;
};

// The faults of every visible text inside window (the window itself included),
// as they stand now.
std::vector<TextFault> textFaults(QWidget* window);

// Gives the window's tab strips the style of the desktops that shorten tab names that
// do not fit ("Lab...") and show no scroll arrows, wherever the program leaves that to
// the desktop.
void styleTabsAsShorteningDesktops(QWidget* window);

// Captions that stand beside a field (a text box or list just right of them, on
// the same line) but whose text is not level with the field's: their middles more
// than 2 pixels apart.
std::vector<TextFault> captionsOffTheirFields(QWidget* window);
