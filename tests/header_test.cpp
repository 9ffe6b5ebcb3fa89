// The header phase over in-memory fonts: what it writes, what it prints,
// where it leaves the input and when it refuses.
#include <gtest/gtest.h>

#include <string>

#include "characters/header_phase.h"
#include "driver/options.h"
#include "font_builder.h"
#include "pcl/commands.h"
#include "pcl/font_fields.h"
#include "streams.h"

namespace kestrune {
namespace {

using fontbuilder::append;
using fontbuilder::Bytes;
using fontbuilder::font_header;
using fontbuilder::FontSpec;
using fontbuilder::text;

const Bytes kNotice = text("(c) Kestrune");
const Bytes kBody = text("\x1b*c65Ebody");
const std::string kFormatWarning =
    "Warning: Printers read the resolution only from a format 20 (resolution-specified) header; "
    "add -f20 to mark this font so.\n";

FontSpec plain(std::uint8_t orientation = 0) {
  FontSpec font_spec;
  font_spec.extra = kNotice;
  font_spec.orientation = orientation;
  return font_spec;
}

FontSpec resolution_form(std::uint16_t dpi, std::uint8_t format = 0) {
  FontSpec font_spec = plain();
  font_spec.header_format = format;
  font_spec.descriptor_size = 68;
  font_spec.x_resolution = dpi;
  font_spec.y_resolution = dpi;
  return font_spec;
}

Bytes with_body(Bytes header) {
  append(header, kBody);
  return header;
}

Bytes with_size_text(FontSpec font_spec, std::string size) {
  font_spec.size_text = std::move(size);
  return font_header(font_spec);
}

// The first `keep` bytes of a font.
Bytes cut(const Bytes& bytes, std::size_t keep) {
  return Bytes(bytes.begin(), bytes.begin() + static_cast<long>(keep));
}

struct HeaderCase {
  const char* name;
  Bytes input;
  RunOptions options;
  bool ok;
  Bytes output;
  std::string messages;
  bool landscape_after = false;
  std::uint64_t resume_at = 0;  // input position after the phase, when it succeeds
};

std::vector<HeaderCase> header_cases() {
  const Bytes plain_header = font_header(plain());
  const std::uint64_t plain_end = plain_header.size();
  FontSpec short_extra = plain();
  short_extra.extra = text("ab");
  FontSpec short_extended = resolution_form(300);
  short_extended.extra = text("ab");
  FontSpec rotated = plain(1);
  FontSpec marked = plain();
  marked.orientation = 1;
  FontSpec below_descriptor = plain();
  below_descriptor.extra.clear();
  const Bytes descriptor_only = fontbuilder::font_descriptor(below_descriptor);
  FontSpec foreign = plain();
  foreign.descriptor_size = 80;

  return {
      {"copy reformats only the size",
       with_body(with_size_text(plain(), "0076")),
       {},
       true,
       plain_header,
       "header size = 76\n",
       false,
       plain_end + 2},
      {"64 grows to 68 with a resolution",
       with_body(plain_header),
       {300, false, false},
       true,
       font_header(resolution_form(300)),
       "header size = 76\nResolution set to 300\n" + kFormatWarning,
       false,
       plain_end},
      {"68 keeps its size; format 20 needs no -f20",
       with_body(font_header(resolution_form(300, 20))),
       {600, false, false},
       true,
       font_header(resolution_form(600, 20)),
       "header size = 80\nResolution set to 600\n",
       false,
       plain_end + 4},
      {"resolution keeps its low 16 bits",
       font_header(resolution_form(300)),
       {70000, false, false},
       true,
       font_header(resolution_form(70000 & 0xFFFF)),
       "header size = 80\nResolution set to 70000\n" + kFormatWarning,
       false,
       plain_end + 4},
      {"negative resolution",
       font_header(resolution_form(300)),
       {-1, false, false},
       true,
       font_header(resolution_form(0xFFFF)),
       "header size = 80\nResolution set to -1\n" + kFormatWarning,
       false,
       plain_end + 4},
      {"landscape marks a portrait font",
       with_body(plain_header),
       {0, true, false},
       true,
       font_header(marked),
       "header size = 76\n",
       true,
       plain_end},
      {"landscape refused on a rotated font",
       with_body(font_header(rotated)),
       {300, true, true},
       true,
       font_header([] {
         FontSpec s = resolution_form(300);
         s.orientation = 1;
         return s;
       }()),
       "header size = 76\nResolution set to 300\n" + kFormatWarning +
           "Warning: Cannot rotate this font! Continuing...\n",
       false,
       plain_end},
      {"extra bytes survive an extension",
       with_body(font_header(short_extra)),
       {300, false, false},
       true,
       font_header(short_extended),
       "header size = 66\nResolution set to 300\n" + kFormatWarning,
       false,
       font_header(short_extra).size()},
      {"size below the descriptor",
       with_body(with_size_text(below_descriptor, "10")),
       {},
       true,
       [&] {
         Bytes b = text("\x1b)s10W");
         append(b, descriptor_only);
         return b;
       }(),
       "header size = 10\n",
       false,
       6 + 10},
      {"descriptor size 80",
       with_body(font_header(foreign)),
       {},
       false,
       {},
       "header size = 76\nError: Cannot work on this version of SFP... need 64 or 68 byte header "
       "size.\n"},
      {"the header after a reset",
       text("\x1b"
            "E\x1b)s76W"),
       {},
       false,
       {},
       "Warning: The font header begins at byte 2, after PCL commands or a PJL header; convert "
       "the font without them, cut off with tail -c +3 font.pcl > font.sfp.\n"
       "Error: First 3 bytes of input file are bad... nothing output.\n"},
      {"the header after a PJL header and a font ID",
       text("\x1b%-12345X@PJL ENTER LANGUAGE=PCL\r\n\x1b*c5D\x1b)s76W"),
       {},
       false,
       {},
       "Warning: The font header begins at byte 39, after PCL commands or a PJL header; convert "
       "the font without them, cut off with tail -c +40 font.pcl > font.sfp.\n"
       "Error: First 3 bytes of input file are bad... nothing output.\n"},
      {"the header after a command with lower-case parameters",
       text("\x1b&l0o1E\x1b)s76W"),
       {},
       false,
       {},
       "Warning: The font header begins at byte 7, after PCL commands or a PJL header; convert "
       "the font without them, cut off with tail -c +8 font.pcl > font.sfp.\n"
       "Error: First 3 bytes of input file are bad... nothing output.\n"},
      {"text before the header",
       text("font\x1b)s76W"),
       {},
       false,
       {},
       "Error: First 3 bytes of input file are bad... nothing output.\n"},
      {"empty input",
       {},
       {},
       false,
       {},
       "Error: First 3 bytes of input file are bad... nothing output.\n"},
      {"two bytes",
       text("\x1b)"),
       {},
       false,
       {},
       "Error: First 3 bytes of input file are bad... nothing output.\n"},
      {"ends before W",
       text("\x1b)s76"),
       {},
       false,
       {},
       "Error: Input ends inside the font header.\n"},
      {"ends at the descriptor size",
       cut(plain_header, 7),
       {},
       false,
       {},
       "header size = 76\nError: Input ends inside the font header.\n"},
      {"ends inside the descriptor",
       cut(plain_header, 40),
       {},
       false,
       {},
       "header size = 76\nError: Input ends inside the font header.\n"},
      {"ends inside the extra bytes",
       cut(plain_header, plain_header.size() - 1),
       {},
       false,
       {},
       "header size = 76\nError: Input ends inside the font header.\n"},
      {"size that overflows",
       with_size_text(plain(), "99999999999"),
       {},
       false,
       {},
       "Error: Font header size is out of range.\n"},
      {"size that points before the file",
       with_size_text(plain(), "\x01\x01"),
       {},
       false,
       {},
       "header size = -517\nError: Font header size is out of range.\n"},
  };
}

TEST(RewriteFontHeader, Cases) {
  for (const HeaderCase& c : header_cases()) {
    SCOPED_TRACE(c.name);
    InputBuffer in(c.input);
    Bytes written;
    OutputBuffer out(written);
    const RunOptions& o = c.options;
    testsupport::CapturedMessages capture;
    FontReader font(in, kestrune_reading(false));
    const HeaderOutcome outcome = rewrite_font_header(
        font, out, {o.resolution, o.landscape, o.header_format_20}, capture.sink());
    out.flush();
    EXPECT_EQ(outcome.written, c.ok);
    EXPECT_EQ(capture.text(), c.messages);
    EXPECT_EQ(written, c.output);
    if (c.ok) {
      EXPECT_EQ(outcome.turned, c.landscape_after);
      EXPECT_EQ(in.position(), c.resume_at);
    }
  }
}

// The body starts at the end of the declared block even after reading
// stopped at end of input: the seek clears the end-of-input state.
TEST(RewriteFontHeader, BodyReadableAfterSizeBelowDescriptor) {
  FontSpec font_spec = plain();
  font_spec.extra.clear();
  font_spec.size_text = "62";
  const Bytes input = font_header(font_spec);
  // The smallest window has long moved past the body's start.
  InputBuffer in(input, 1);
  Bytes written;
  OutputBuffer out(written);
  testsupport::CapturedMessages capture;
  FontReader font(in, kestrune_reading(false));
  ASSERT_TRUE(rewrite_font_header(font, out, {}, capture.sink()).written);
  EXPECT_EQ(in.next_byte(), input[input.size() - 2]);
  EXPECT_FALSE(in.exhausted());
}

// ------------------------------------------------------ selection strings

// A 12-point Roman-8 font at 300 dpi, 16.67 characters per inch.
FontFields selected_fields() {
  FontFields f;
  f.symbol_set = 277;  // 8U
  f.spacing = 1;
  f.pitch = 72;    // 18 dots
  f.height = 200;  // 50 dots: 12 points at 300 dpi
  f.typeface = 4099;
  return f;
}

struct SelectionCase {
  const char* name;
  void (*change)(FontFields&);
  int resolution;
  const char* written_out;
};

TEST(SelectionString, FromFields) {
  const SelectionCase cases[] = {
      {"proportional, 300 dpi", [](FontFields&) {}, 300, "ESC (8U ESC (s1p16.67h12v0s0b4099T"},
      {"fixed", [](FontFields& f) { f.spacing = 0; }, 300, "ESC (8U ESC (s0p16.67h12v0s0b4099T"},
      {"600 dpi, same dots: twice the pitch, half the height", [](FontFields&) {}, 600,
       "ESC (8U ESC (s1p33.33h6v0s0b4099T"},
      {"10 cpi exactly", [](FontFields& f) { f.pitch = 120; }, 300,
       "ESC (8U ESC (s1p10h12v0s0b4099T"},
      {"pitch extended: 18.125 dots", [](FontFields& f) { f.pitch_extended = 128; }, 300,
       "ESC (8U ESC (s1p16.55h12v0s0b4099T"},
      {"pitch extended alone", [](FontFields& f) { f.pitch = 0, f.pitch_extended = 1; }, 300,
       "ESC (8U ESC (s1p307200h12v0s0b4099T"},
      {"pitch 0 leaves the pitch out", [](FontFields& f) { f.pitch = 0; }, 300,
       "ESC (8U ESC (s1p12v0s0b4099T"},
      {"no resolution leaves pitch and height out", [](FontFields&) {}, 0,
       "ESC (8U ESC (s1p0s0b4099T"},
      {"a quarter point", [](FontFields& f) { f.height = 204; }, 300,
       "ESC (8U ESC (s1p16.67h12.25v0s0b4099T"},
      {"half a point", [](FontFields& f) { f.height = 208; }, 300,
       "ESC (8U ESC (s1p16.67h12.5v0s0b4099T"},
      {"three quarters, rounded up from 50.88 quarter points",
       [](FontFields& f) { f.height = 212; }, 300, "ESC (8U ESC (s1p16.67h12.75v0s0b4099T"},
      {"rounded down from 48.24 quarter points", [](FontFields& f) { f.height = 201; }, 300,
       "ESC (8U ESC (s1p16.67h12v0s0b4099T"},
      {"negative stroke weight", [](FontFields& f) { f.stroke_weight = -3; }, 300,
       "ESC (8U ESC (s1p16.67h12v0s-3b4099T"},
      {"style past a byte", [](FontFields& f) { f.style = 0x0123; }, 300,
       "ESC (8U ESC (s1p16.67h12v291s0b4099T"},
      {"ASCII, typeface 0", [](FontFields& f) { f.symbol_set = 21, f.typeface = 0; }, 300,
       "ESC (0U ESC (s1p16.67h12v0s0b0T"},
      {"largest typeface and symbol set", [](FontFields& f) { f.symbol_set = f.typeface = 65535; },
       300, "ESC (2047_ ESC (s1p16.67h12v0s0b65535T"},
  };
  for (const SelectionCase& c : cases) {
    SCOPED_TRACE(c.name);
    FontFields f = selected_fields();
    c.change(f);
    EXPECT_EQ(selection_string(f, c.resolution, SelectionForm::kWrittenOut), c.written_out);
  }
  EXPECT_EQ(selection_string(selected_fields(), 300, SelectionForm::kBackslashEscapes),
            "\\e(8U\\e(s1p16.67h12v0s0b4099T");
}

TEST(SelectionString, AtThePrintersResolution) {
  struct Case {
    const char* name;
    int size;
    int format;
    int dpi;
    const char* written_out;
  };
  // The printer's resolution, not the descriptor's, as the header decides it.
  const Case cases[] = {
      {"64 bytes", 64, 0, 600, "ESC (8U ESC (s1p16.67h12v0s0b4099T"},
      {"68 bytes of format 0: its resolution ignored", 68, 0, 600,
       "ESC (8U ESC (s1p16.67h12v0s0b4099T"},
      {"format 20 at 600 dpi", 68, 20, 600, "ESC (8U ESC (s1p33.33h6v0s0b4099T"},
      {"format 20 at 0 dpi", 68, 20, 0, "ESC (8U ESC (s1p16.67h12v0s0b4099T"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FontFields f = selected_fields();
    f.descriptor_size = c.size;
    f.header_format = c.format;
    f.x_resolution = f.y_resolution = c.dpi;
    FontHeader header;
    const auto bytes = encode_font_fields(f);
    std::copy(bytes.begin(), bytes.end(), header.descriptor.bytes.begin());
    header.descriptor.size = c.size;
    header.descriptor_read = static_cast<std::size_t>(c.size);
    EXPECT_EQ(selection_commands(header, SelectionForm::kWrittenOut), c.written_out);
    header.descriptor_read = 63;
    EXPECT_EQ(selection_commands(header, SelectionForm::kWrittenOut), "");
  }
}

TEST(FontIdBeforeHeader, OnlyAnIdStraightBeforeTheHeader) {
  const std::pair<const char*, int> cases[] = {
      {"\x1b*c12D\x1b)s", 12},
      {"\x1b*c007D\x1b)s64W", 7},
      {"\x1b*c0D\x1b)s", 0},
      {"\x1b*c32767D\x1b)s", 32767},
      {"\x1b*c32768D\x1b)s", -1},
      {"\x1b*c000012D\x1b)s", -1},
      {"\x1b*cD\x1b)s", -1},
      {"\x1b*c12D", -1},
      {"\x1b*c12D\x1b)", -1},
      {"\x1b*c12d\x1b)s", -1},
      {"\x1b*c5F\x1b)s", -1},
      {"\x1b"
       "E\x1b*c1D\x1b)s",
       -1},
      {"\x1b*c1D\x1b"
       "E\x1b)s",
       -1},
      {"", -1},
  };
  for (const auto& [start, id] : cases) {
    const std::string bytes = start;
    EXPECT_EQ(font_id_before_header(text(bytes)), id) << bytes.substr(1);
  }
}

TEST(HundredthsText, Forms) {
  const std::pair<std::int64_t, const char*> cases[] = {{1200, "12"},
                                                        {1050, "10.5"},
                                                        {1667, "16.67"},
                                                        {5, "0.05"},
                                                        {0, "0"},
                                                        {-250, "-2.5"},
                                                        {INT64_MIN, "-92233720368547758.08"}};
  for (const auto& [hundredths, text] : cases) EXPECT_EQ(hundredths_text(hundredths), text);
}

}  // namespace
}  // namespace kestrune
