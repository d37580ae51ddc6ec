#pragma once
// The choice lists open as soon as they get the focus, so the operator who tabs into one sees its
// entries at once.

class QComboBox;

namespace quorvin {

// Opens the list of `combo` whenever it receives the focus from the keyboard or from code. Not when the
// focus comes back from its own list closing, or the list would open again for ever, and not when the
// window is merely activated again.
void DropDownOnFocus(QComboBox* combo);

}  // namespace quorvin
