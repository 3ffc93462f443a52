#pragma once
// Entries whose text goes into the TOU files (one value a line, single-byte
// text): a line break typed or pasted into them is taken out, and a character
// the files cannot hold is refused with a box naming it, the entry keeping its
// text from before.

class QLineEdit;

namespace tou {

void guardFileEntry(QLineEdit* entry);

} // namespace tou
