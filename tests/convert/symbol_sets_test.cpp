// The six symbol sets: known characters at known codes, the codes that hold
// nothing, and every code found again through its character.
#include "pcl/symbol_sets.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "pcl/font_fields.h"

namespace kestrune {
namespace {

struct SetRow {
  const char* id;
  const char* title;
  int defined;  // codes that hold a character
};

const SetRow kSetRows[] = {
    {"0U", "ASCII", 95},
    {"0N", "ISO 8859-1 Latin 1", 191},
    {"2N", "ISO 8859-2 Latin 2", 191},
    {"8U", "Roman-8", 190},
    {"10U", "PC-8", 223},
    {"19U", "Windows Latin 1", 218},
};

const SymbolSet& set_named(const char* id) {
  const SymbolSet* set = find_symbol_set(symbol_set_value(id));
  if (set == nullptr) throw std::runtime_error(std::string("no symbol set ") + id);
  return *set;
}

TEST(SymbolSets, EachIsFoundByItsValueAndEveryCodeComesBack) {
  for (const SetRow& row : kSetRows) {
    SCOPED_TRACE(row.id);
    const SymbolSet& set = set_named(row.id);
    EXPECT_EQ(symbol_set_id(set), row.id);
    EXPECT_EQ(symbol_set_title(set), row.title);
    int defined = 0;
    for (int code = 0; code < 256; ++code) {
      const char32_t character = unicode_for_code(set, code);
      if (character == 0) continue;
      ++defined;
      EXPECT_EQ(code_for_unicode(set, character), code) << "code " << code;
    }
    EXPECT_EQ(defined, row.defined);
  }
}

TEST(SymbolSets, ValuesNotInTheListFindNothing) {
  for (const int value : {0, 20, 22, 276, 278, 630, symbol_set_value("19M"), 65535, -1}) {
    EXPECT_EQ(find_symbol_set(value), nullptr) << value;
  }
}

struct CharacterRow {
  const char* id;
  int code;            // -1: the set has no code for `character`
  char32_t character;  // 0: `code` holds nothing
};

const CharacterRow kCharacterRows[] = {
    {"0U", 0x41, U'A'},
    {"0U", 0x20, U' '},
    {"0U", 0x7E, U'~'},
    {"0U", 0x1F, 0},
    {"0U", 0x7F, 0},
    {"0U", 0xE9, 0},
    {"0U", -1, U'\u00E9'},    // latin small letter e with acute
    {"0N", 0xE9, U'\u00E9'},  // latin small letter e with acute
    {"0N", 0xA0, U'\u00A0'},
    {"0N", 0x80, 0},
    {"0N", 0x9F, 0},
    {"0N", -1, U'\u20AC'},    // euro sign
    {"2N", 0xA1, U'\u0104'},  // latin capital letter a with ogonek
    {"2N", 0xC0, U'\u0154'},  // latin capital letter r with acute
    {"2N", 0xFF, U'\u02D9'},  // dot above
    {"2N", -1, U'\u00C0'},    // latin capital letter a with grave
    {"8U", 0xA1, U'\u00C0'},  // latin capital letter a with grave
    {"8U", 0xC5, U'\u00E9'},  // latin small letter e with acute
    {"8U", 0xAF, U'\u20A4'},  // lira sign
    {"8U", 0xFF, 0},
    {"8U", 0x9F, 0},
    {"10U", 0x82, U'\u00E9'},  // latin small letter e with acute
    {"10U", 0x80, U'\u00C7'},  // latin capital letter c with cedilla
    {"10U", 0xDB, U'\u2588'},  // full block
    {"10U", 0xFF, U'\u00A0'},
    {"10U", 0x7F, 0},
    {"19U", 0x80, U'\u20AC'},  // euro sign
    {"19U", 0x99, U'\u2122'},  // trade mark sign
    {"19U", 0x81, 0},
    {"19U", 0x9D, 0},
    {"19U", 0xE9, U'\u00E9'},  // latin small letter e with acute
    {"19U", -1, U'\u0104'},    // latin capital letter a with ogonek
    {"19U", 256, 0},
    {"19U", -5, 0},
    {"19U", -1, 0},
    {"19U", -1, U'\U0001F600'},  // an emoji
    {"19U", -1, U'\U000100E9'},  // e acute's low 16 bits, beyond 16 bits
};

TEST(SymbolSets, KnownCharactersAndCodesThatHoldNone) {
  for (const CharacterRow& row : kCharacterRows) {
    SCOPED_TRACE(std::string(row.id) + " code " + std::to_string(row.code) + " U+" +
                 std::to_string(static_cast<unsigned long>(row.character)));
    const SymbolSet& set = set_named(row.id);
    if (row.code == -1) {
      EXPECT_EQ(code_for_unicode(set, row.character), -1);
      continue;
    }
    EXPECT_EQ(unicode_for_code(set, row.code), row.character);
    if (row.character != 0) {
      EXPECT_EQ(code_for_unicode(set, row.character), row.code);
    }
  }
}

}  // namespace
}  // namespace kestrune
