// The symbol sets kestrune-convert makes fonts in, each a map between the
// font's 8-bit codes and Unicode: 0U (ASCII), 0N (ISO 8859-1), 2N (ISO
// 8859-2), 8U (Roman-8), 10U (PC-8) and 19U (Windows Latin 1). Pure: no I/O.
#pragma once

#include <string_view>

namespace kestrune {

struct SymbolSet;

// The symbol set of this value (number x 32 + letter - 64), or null for one
// not in the list above.
const SymbolSet* find_symbol_set(int value);

// Its PCL name, e.g. "8U", and what it is, e.g. "Roman-8".
std::string_view symbol_set_id(const SymbolSet& set);
std::string_view symbol_set_title(const SymbolSet& set);

// The code of a Unicode character in the set, or -1 when it has none.
int code_for_unicode(const SymbolSet& set, char32_t character);
// The Unicode character at a code, or 0 when the code holds none.
char32_t unicode_for_code(const SymbolSet& set, int code);

}  // namespace kestrune
