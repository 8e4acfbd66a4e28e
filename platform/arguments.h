#pragma once

#include <QString>
#include <QStringList>

namespace qv {

// Splits text the user typed (an options string, a tool setting such as
// `/usr/bin/java -cp .`) into words the way a Windows program's start-up code splits its
// command line:
// - blanks and tabs outside double quotes separate words; runs of them count as one;
// - a double quote starts or ends a quoted part and is removed; a word may mix quoted and
//   unquoted parts (`a"b c"d` is one word `ab cd`), and `""` alone is an empty word;
// - inside a quoted part, `""` gives one literal double quote and the part goes on;
// - backslashes are literal except before a double quote: 2n backslashes and a quote give
//   n backslashes and the quote starts or ends quoting; 2n+1 backslashes and a quote give
//   n backslashes and a literal quote;
// - an unbalanced quote runs to the end of the text.
// An empty text, or one of blanks only, gives no words.
QStringList splitCommandLine(const QString &text);

// A name that begins with "-" or "@", given to a program as an argument, could be taken for an
// option or an argument file; such a name gets "./" in front, so that it stays a name.
QString plainArgument(const QString &name);

} // namespace qv
