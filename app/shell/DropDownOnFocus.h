#pragma once
// The choice lists open as soon as they get the focus, so the operator who tabs into one sees its
// entries at once.

class QComboBox;

namespace quorvin {

// Opens the list of `combo` whenever the keyboard brings the focus to it (Tab, Shift+Tab, a shortcut).
// A mouse press opens the list by itself. Not when the focus comes back from the list closing, or it would
// open again for ever, nor when a tab page or the window hands the focus on by itself: a list springing
// open on a page the operator only looked at would catch the next key meant for something else.
void DropDownOnFocus(QComboBox* combo);

}  // namespace quorvin
