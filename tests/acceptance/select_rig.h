#pragma once
// Meter selection installed in a program rig: the address panel on the main
// window, shown as after "Ok" in the settings window.

#include "program_rig.h"

#include "shell/address_panel.h"

#include <QLineEdit>
#include <QPushButton>

using sim::withCrc;

inline shell::AddressPanel& installSelection(ProgramRig& rig) {
    shell::installMeterSelection(rig.app());
    rig.showMainWindow();
    return *shell::addressPanel(rig.mainForm());
}

// Types the text into the address box and presses Enter.
inline void typeAddress(ProgramRig& rig, const QString& text) {
    QLineEdit* box = rig.mainForm().txtAddress();
    box->clear();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

// Chooses a page from the menu with a click, as a person does: only a page on screen
// is polled.
inline void choosePage(ProgramRig& rig, int index) {
    QPushButton* option = rig.mainForm().optProgram(index);
    QTest::mouseClick(option, Qt::LeftButton, {}, option->rect().center());
}
