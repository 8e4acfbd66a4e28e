#pragma once

class QsciScintillaBase;

namespace qv {

// The text editor tells assistive technology of every insertion, deletion and caret move,
// and works out a character offset for each by counting the characters from the start of
// the text: a cost that grows with the caret's position, paid on every key even when nothing
// listens. This keeps those notices from being made while no assistive technology is active
// (QAccessible::isActive()), and lets the editor send them as before while one is.
//
// While inactive, the editor reports insertions and deletions only through the notices it
// sends before each change (SC_MOD_BEFOREINSERT, SC_MOD_BEFOREDELETE), so a change is
// noticed there rather than after it.
void quietAccessNotices(QsciScintillaBase *editor);

} // namespace qv
