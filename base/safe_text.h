// Text from the user's files made safe where it leaves the program: on a terminal, where a
// control character in a name could move the cursor or recolour the screen, and in a command
// meant to be pasted into a shell.
#pragma once

#include <string>
#include <string_view>

namespace quorvale {

// `text` with every control character written out: C0 controls and DEL as "\x1B", the C1
// controls U+0080..U+009F as "\u009B". Everything else, UTF-8 included, stays as it is.
std::string Printable(std::string_view text);

// `word` as one shell word that bash and POSIX sh both read back exactly: in single quotes, each
// single quote written as '\''.
std::string ShellQuote(std::string_view word);

// `word` as it stands when the shell reads it so (letters, digits and _@%+=:,./- only), else
// ShellQuote(word).
std::string ShellWord(std::string_view word);

}  // namespace quorvale
