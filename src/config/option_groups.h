#pragma once
// An option group keeps its code in the Tag of the frame that holds its options. A
// person's click on one of them stands for the whole group: a read of the page work
// under way shows neither another option nor another Tag in it.

#include <QString>

class QAbstractButton;
class QWidget;

namespace common {
struct PageState;
}

namespace config {

// A person clicked an option of the group: the page is marked modified (even while a
// read waits), the group keeps the person's choice from the reads of the page work
// under way, and its frame takes the option's Tag.
void choiceClicked(common::PageState& page, QWidget* group, const QString& tag);

// A decoder showing the code it read: the frame's Tag and the option of that code,
// unless the person clicked in the group during the page work under way. True when
// the group now shows the value read.
bool showReadChoice(const common::PageState& page, QWidget* group, QAbstractButton* option, const QString& tag);
// The same for a group that keeps no Tag (the relays' On and Off).
bool showReadChoice(const common::PageState& page, QWidget* group, QAbstractButton* option);

} // namespace config
