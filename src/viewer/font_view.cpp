#include "viewer/font_view.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>

#include "viewer/contact_sheet.h"

namespace kestrune::view {
namespace {

constexpr std::uint8_t kFontHeaderStart[] = {ESC, ')', 's'};
constexpr std::size_t kSkipPiece = 4096;
constexpr long kLargestCode = 65535;

// Descriptor fields the header section shows (PCL bitmap font descriptor).
constexpr std::size_t kHeaderFormatOffset = 2;
constexpr std::size_t kNameOffset = 48;
constexpr std::size_t kNameSize = 16;

// ---------------------------------------------------------------- reading

// Reads and drops up to `count` bytes; returns how many the input held.
std::int64_t skip_bytes(std::FILE* in, std::int64_t count) {
  std::uint8_t piece[kSkipPiece];
  std::int64_t skipped = 0;
  while (skipped < count) {
    const auto want =
        static_cast<std::size_t>(std::min<std::int64_t>(count - skipped, std::int64_t{kSkipPiece}));
    const std::size_t got = std::fread(piece, 1, want, in);
    skipped += static_cast<std::int64_t>(got);
    if (got < want) break;
  }
  return skipped;
}

// Appends up to `count` bytes to `to`; returns how many arrived.
std::size_t append_block(std::FILE* in, std::size_t count, std::vector<std::uint8_t>& to) {
  std::vector<std::uint8_t> piece;
  const std::size_t got = read_block(in, count, piece);
  to.insert(to.end(), piece.begin(), piece.end());
  return got;
}

// Records where reading stopped. A failed input overrides the reason given:
// what stopped the reading then was the read error, not the font.
void stop_at(StopPoint& stop, std::FILE* in, long offset, std::string reason) {
  if (std::ferror(in) != 0) {
    const int error = errno;
    stop.read_error = true;
    stop.offset = std::max(0L, std::ftell(in));
    stop.reason = "read error";
    if (error != 0) stop.reason += std::string(" (") + std::strerror(error) + ")";
    return;
  }
  stop.offset = offset;
  stop.reason = std::move(reason);
}

long position(std::FILE* in) { return std::max(0L, std::ftell(in)); }

// A byte named for a message: a printable character in quotes, else in hex.
std::string byte_name(int byte) {
  char text[16];
  if (byte > 32 && byte < 127) {
    std::snprintf(text, sizeof text, "'%c'", byte);
  } else {
    std::snprintf(text, sizeof text, "byte 0x%02X", static_cast<unsigned>(byte & 0xFF));
  }
  return text;
}

std::string at(long offset) { return "byte " + std::to_string(offset); }

// Puts the byte just read back, so that a search for ESC finds it again.
void keep_escape(std::FILE* in, int byte) {
  if (byte == ESC) std::ungetc(byte, in);
}

// ---------------------------------------------------------------- printing

std::string quoted(std::span<const std::uint8_t> bytes) {
  std::string text = "\"";
  for (const std::uint8_t b : bytes) {
    if (b == '"' || b == '\\') {
      text += '\\';
      text += static_cast<char>(b);
    } else if (b >= 32 && b < 127) {
      text += static_cast<char>(b);
    } else if (b == '\n') {
      text += "\\n";
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(b));
      text += hex;
    }
  }
  return text + "\"";
}

const char* header_format_name(int format) {
  switch (format) {
    case 0:
      return "bitmap";
    case 10:
      return "Intellifont bound scalable";
    case 11:
      return "Intellifont unbound scalable";
    case 15:
      return "TrueType scalable";
    case 20:
      return "resolution-specified bitmap";
    default:
      return "unknown";
  }
}

const char* orientation_name(int orientation) {
  switch (orientation) {
    case 0:
      return "portrait";
    case 1:
      return "landscape";
    case 2:
      return "reverse portrait";
    case 3:
      return "reverse landscape";
    default:
      return "unknown";
  }
}

std::string character_name(int code) {
  if (code > 32 && code < 127) return std::string("'") + static_cast<char>(code) + "'";
  return "";
}

int be16(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  return bytes[offset] * 256 + bytes[offset + 1];
}

void field(std::FILE* out, const char* label, const std::string& value) {
  std::fprintf(out, "  %-20s%s\n", label, value.c_str());
}

// Rows of the bitmap that the bytes present reach, at most `height`.
std::size_t rows_reached(std::size_t present, std::uint16_t width, std::uint16_t height) {
  const std::size_t stride = row_stride(width);
  if (stride == 0) return 0;
  return std::min<std::size_t>(height, (present + stride - 1) / stride);
}

void draw_row(std::span<const std::uint8_t> bitmap, std::uint16_t width, std::size_t row,
              std::string& line) {
  const std::size_t start = row * row_stride(width);
  line.assign(width, '?');
  for (std::size_t c = 0; c < width; ++c) {
    const std::size_t byte = start + c / 8;
    if (byte >= bitmap.size()) break;
    line[c] = (bitmap[byte] & (0x80U >> (c % 8))) != 0 ? '#' : '.';
  }
}

std::span<const std::uint8_t> bitmap_of(const Definition& definition) {
  const std::span<const std::uint8_t> block(definition.block);
  if (block.size() <= CharacterDescriptor::kSize) return {};
  return block.subspan(CharacterDescriptor::kSize);
}

void print_stop(const StopPoint& stop, std::FILE* out) {
  if (stop.reason.empty()) {
    std::fprintf(out, "End of font at byte %ld.\n", stop.offset);
  } else {
    std::fprintf(out, "Reading stopped at byte %ld: %s.\n", stop.offset, stop.reason.c_str());
  }
}

int status_of(const StopPoint& stop, bool damaged) {
  if (stop.read_error) return kStatusFailed;
  return damaged || !stop.reason.empty() ? kStatusDamaged : kStatusComplete;
}

}  // namespace

// ---------------------------------------------------------------- code lists

bool CodeSet::contains(long code) const {
  if (ranges.empty()) return true;
  return std::any_of(ranges.begin(), ranges.end(),
                     [code](const auto& r) { return code >= r.first && code <= r.second; });
}

bool parse_code_list(std::string_view text, CodeSet& codes, std::string& error) {
  auto number = [&](std::string_view digits, long& value) {
    if (digits.empty() || digits.size() > 5) return false;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return ec == std::errc() && end == digits.data() + digits.size() && value <= kLargestCode;
  };
  codes.ranges.clear();
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string_view item = text.substr(start, comma - start);
    const std::size_t dash = item.find('-');
    long first = 0;
    long last = 0;
    const bool ok = dash == std::string_view::npos
                        ? number(item, first) && number(item, last)
                        : number(item.substr(0, dash), first) &&
                              number(item.substr(dash + 1), last) && first <= last;
    if (!ok) {
      error = "'" + std::string(item) +
              "' is not a character code (0-65535) or a range of them such as 65-90";
      codes.ranges.clear();
      return false;
    }
    codes.ranges.emplace_back(first, last);
    start = comma + 1;
  }
  return true;
}

// ---------------------------------------------------------------- the header

bool read_header(std::FILE* in, HeaderView& header, StopPoint& stop) {
  const long start = position(in);
  for (std::size_t i = 0; i < sizeof kFontHeaderStart; ++i) {
    const int byte = std::getc(in);
    if (byte == EOF) {
      stop_at(stop, in, position(in),
              i == 0 ? "the input is empty" : "the input ends inside the font header command");
      return false;
    }
    if (byte != kFontHeaderStart[i]) {
      stop_at(stop, in, start, "the font does not begin with a font header command (ESC )s...W)");
      return false;
    }
  }
  const DecimalField size = read_decimal_field(in);
  if (size.terminator == EOF) {
    stop_at(stop, in, position(in), "the input ends inside the font header command");
    return false;
  }
  if (size.overflow) {
    stop_at(stop, in, start, "the font header's size is too large to be real");
    return false;
  }
  if (size.terminator != 'W') {
    stop_at(stop, in, position(in) - 1,
            "the font header command's value ends in " + byte_name(size.terminator) + ", not in W");
    return false;
  }
  header.command_read = true;
  header.declared_size = size.value;
  header.block_start = position(in);

  const std::int64_t declared = size.value;
  auto cut_short = [&]() {
    stop_at(stop, in, position(in),
            "the input ends inside the font header's data block (" +
                std::to_string(header.block_present) + " of " + std::to_string(declared) +
                " bytes present)");
    return false;
  };

  // The descriptor size field, then as much of the descriptor as is shown.
  const auto size_field = static_cast<std::size_t>(std::min<std::int64_t>(declared, 2));
  header.block_present +=
      static_cast<std::int64_t>(append_block(in, size_field, header.descriptor));
  if (header.descriptor.size() < size_field) return cut_short();
  if (header.descriptor.size() == 2) header.descriptor_size = be16(header.descriptor, 0);
  const std::int64_t descriptor_length =
      std::min<std::int64_t>(declared, std::max(header.descriptor_size, 2));
  const std::int64_t kept =
      std::min<std::int64_t>(descriptor_length, FontDescriptor::kResolutionSize);
  const auto more = static_cast<std::size_t>(std::max<std::int64_t>(0, kept - 2));
  header.block_present += static_cast<std::int64_t>(append_block(in, more, header.descriptor));
  if (static_cast<std::int64_t>(header.descriptor.size()) < kept) return cut_short();
  const std::int64_t beyond = std::max<std::int64_t>(0, descriptor_length - kept);
  const std::int64_t skipped = skip_bytes(in, beyond);
  header.block_present += skipped;
  if (skipped < beyond) return cut_short();

  // The extra header bytes: the first few kept for display, the rest passed over.
  header.extra_count = std::max<std::int64_t>(0, declared - descriptor_length);
  const auto shown = static_cast<std::size_t>(
      std::min<std::int64_t>(header.extra_count, std::int64_t{HeaderView::kExtraShown}));
  header.extra_present = static_cast<std::int64_t>(read_block(in, shown, header.extra));
  if (header.extra_present == static_cast<std::int64_t>(shown)) {
    header.extra_present += skip_bytes(in, header.extra_count - header.extra_present);
  }
  header.block_present += header.extra_present;
  if (header.extra_present < header.extra_count) return cut_short();
  return true;
}

void print_header(const HeaderView& header, std::FILE* out) {
  if (!header.command_read) {
    std::fprintf(out, "Font header: none found\n");
    return;
  }
  std::fprintf(out, "Font header: ESC )s%lldW, a block of %lld bytes from byte %ld\n",
               static_cast<long long>(header.declared_size),
               static_cast<long long>(header.declared_size), header.block_start);
  const std::vector<std::uint8_t>& d = header.descriptor;
  const int size = header.descriptor_size;
  if (size < 0) {
    field(out, "Descriptor size:", "missing");
    return;
  }
  field(out, "Descriptor size:", std::to_string(size) + " bytes");
  const int format = d.size() > kHeaderFormatOffset ? d[kHeaderFormatOffset] : -1;
  if (format >= 0) {
    field(out, "Header format:", std::to_string(format) + " (" + header_format_name(format) + ")");
  }
  if (d.size() > FontDescriptor::kOrientationOffset) {
    const int orientation = d[FontDescriptor::kOrientationOffset];
    field(out,
          "Orientation:", std::to_string(orientation) + " (" + orientation_name(orientation) + ")");
  }
  if (size >= FontDescriptor::kResolutionSize && d.size() >= FontDescriptor::kResolutionSize) {
    field(out, "Resolution:",
          "X " + std::to_string(be16(d, FontDescriptor::kXResolutionOffset)) + " dpi, Y " +
              std::to_string(be16(d, FontDescriptor::kYResolutionOffset)) + " dpi");
  } else if (size == FontDescriptor::kPlainSize) {
    field(out, "Resolution:", "none in a 64-byte descriptor (printed at 300 dpi)");
  }
  if (size >= FontDescriptor::kPlainSize && d.size() >= kNameOffset + kNameSize) {
    std::span<const std::uint8_t> name(d.data() + kNameOffset, kNameSize);
    while (!name.empty() && name.back() == ' ') name = name.first(name.size() - 1);
    field(out, "Font name:", quoted(name));
  }
  if (header.extra_count == 0) {
    field(out, "Extra header bytes:", "none");
  } else {
    std::string text = std::to_string(header.extra_count) + ": " + quoted(header.extra);
    const std::int64_t hidden =
        header.extra_present - static_cast<std::int64_t>(header.extra.size());
    if (hidden > 0) text += " ... and " + std::to_string(hidden) + " more";
    field(out, "Extra header bytes:", text);
  }

  // Notes: what a printer or kestrune will make of this header.
  if (size != FontDescriptor::kPlainSize && size != FontDescriptor::kResolutionSize) {
    std::fprintf(out,
                 "  Note: kestrune works only on 64- and 68-byte descriptors; this one is %d "
                 "bytes.\n",
                 size);
  }
  if (size == FontDescriptor::kResolutionSize && format >= 0 && format != 20) {
    std::fprintf(out,
                 "  Note: the descriptor is 68 bytes but its header format is %d, not 20: PCL "
                 "printers read the X and Y resolution only from a resolution-specified (format "
                 "20) header, so this font prints at the default 300 dpi.\n",
                 format);
  }
  if (format == 20 && size < FontDescriptor::kResolutionSize) {
    std::fprintf(out,
                 "  Note: header format 20 (resolution-specified) needs a 68-byte descriptor; "
                 "this one is %d bytes.\n",
                 size);
  }
  if (header.declared_size < size) {
    std::fprintf(out,
                 "  Note: the header's block (%lld bytes) is shorter than its descriptor (%d "
                 "bytes); the body begins at byte %lld, inside the descriptor.\n",
                 static_cast<long long>(header.declared_size), size,
                 static_cast<long long>(header.block_start + header.declared_size));
  }
}

// ---------------------------------------------------------------- the body

Step next_step(BodyWalk& walk, Definition& definition, std::string& note) {
  std::FILE* in = walk.in;
  if (walk.ended || !walk.stop.reason.empty()) {
    walk.ended = true;
    return Step::kEnd;
  }
  auto end = [&](long offset, std::string reason) {
    stop_at(walk.stop, in, offset, std::move(reason));
    walk.ended = true;
    return Step::kEnd;
  };
  for (;;) {
    int byte = std::getc(in);
    while (byte != EOF && byte != ESC) byte = std::getc(in);
    if (byte == EOF) return end(position(in), "");
    const long start = position(in) - 1;
    const std::string begun = " (begun at " + at(start) + ")";

    // A parameterised command: ESC, a group's two characters, value, letter.
    const int first = std::getc(in);
    if (first == EOF) return end(position(in), "the input ends inside an escape sequence" + begun);
    keep_escape(in, first);
    if (first != '*' && first != '(') continue;
    const int second = std::getc(in);
    if (second == EOF) return end(position(in), "the input ends inside an escape sequence" + begun);
    keep_escape(in, second);
    const bool code_command = first == '*' && second == 'c';
    const bool data_command = first == '(' && second == 's';
    if (!code_command && !data_command) continue;

    const DecimalField value = read_decimal_field(in);
    if (value.terminator == EOF) {
      return end(position(in), code_command
                                   ? "the input ends inside a character code command" + begun
                                   : "the input ends inside an escape sequence" + begun);
    }
    keep_escape(in, value.terminator);

    if (data_command) {
      // ESC (s...W with no character code before it: its block is passed over.
      if (value.terminator != 'W' || value.overflow) continue;  // font selection and the like
      const std::int64_t got = skip_bytes(in, value.value);
      if (got < value.value) {
        return end(position(in),
                   "the input ends inside the block of a character data command "
                   "that has no character code command" +
                       begun);
      }
      note = at(start) + ": a character data command (ESC (s" + std::to_string(value.value) +
             "W) with no character code command before it; its block is passed over";
      return Step::kSkipped;
    }

    if (value.terminator != 'E') continue;  // ESC *c5D and the like: not a character code
    const std::string character = "character " + std::to_string(value.value);
    if (value.overflow) {
      note = at(start) + ": a character code command whose value is too large";
      return Step::kSkipped;
    }

    // The character data command must follow at once.
    const long after_code = position(in);
    for (const std::uint8_t expected : {std::uint8_t{ESC}, std::uint8_t{'('}, std::uint8_t{'s'}}) {
      const int got = std::getc(in);
      if (got == EOF) {
        return end(position(in),
                   expected == ESC
                       ? "the input ends after the character code command of " + character + begun +
                             ", before its data command"
                       : "the input ends inside the data command of " + character + begun);
      }
      if (got != expected) {
        // Search again from just after ESC *c...E, so no ESC is lost.
        if (std::fseek(in, after_code, SEEK_SET) != 0) {
          return end(position(in), "the input cannot be re-read (" + at(after_code) + ")");
        }
        note = at(start) + ": " + character +
               ": the character code command is not followed by a character data command "
               "(ESC (s...W)";
        return Step::kSkipped;
      }
    }
    const DecimalField count = read_decimal_field(in);
    if (count.terminator == EOF) {
      return end(position(in), "the input ends inside the data command of " + character + begun);
    }
    keep_escape(in, count.terminator);
    if (count.terminator != 'W' || count.overflow) {
      note = at(start) + ": " + character + ": the data command " +
             (count.overflow ? std::string("has a value too large to be real")
                             : "ends in " + byte_name(count.terminator) + ", not in W");
      return Step::kSkipped;
    }

    definition.offset = start;
    definition.code = value.value;
    definition.declared_size = static_cast<std::size_t>(count.value);
    read_block(in, definition.declared_size, definition.block);
    if (definition.block.size() < definition.declared_size) {
      // Shown as far as it goes; the walk ends with the next call.
      stop_at(walk.stop, in, position(in),
              "the input ends inside the data block of " + character + " (" +
                  std::to_string(definition.block.size()) + " of " +
                  std::to_string(definition.declared_size) +
                  " bytes present; definition begun at " + at(start) + ")");
    }
    return Step::kDefinition;
  }
}

GlyphInfo inspect(const Definition& definition) {
  GlyphInfo info;
  std::vector<std::string> notes;
  const std::size_t present = definition.block.size();
  const bool cut = present < definition.declared_size;
  if (cut) {
    notes.push_back("cut short: " + std::to_string(present) + " of " +
                    std::to_string(definition.declared_size) + " bytes");
  }
  if (present < CharacterDescriptor::kSize) {
    info.damaged = true;
    if (!cut) notes.push_back("block too short to hold a character descriptor");
  } else {
    info.has_descriptor = true;
    const CharacterDescriptor& d = info.descriptor = decode_character_descriptor(
        std::span<const std::uint8_t>(definition.block).first<CharacterDescriptor::kSize>());
    info.bitmap_needed = std::size_t{d.height} * row_stride(d.width);
    info.bitmap_present = present - CharacterDescriptor::kSize;
    if (d.format != 4) {
      notes.push_back("format " + std::to_string(d.format) + ", not a bitmap character");
    } else if (d.continuation != 0) {
      notes.push_back("a continuation block");
    } else if (d.glyph_class == 2) {
      notes.push_back("compressed bitmap (class 2)");
    } else if (d.glyph_class != 1) {
      notes.push_back("class " + std::to_string(d.glyph_class) + ", not a bitmap");
    } else {
      info.drawable = true;
    }
    if (d.descriptor_size != 14) {
      notes.push_back("descriptor size byte " + std::to_string(d.descriptor_size) + ", not 14");
    }
    info.damaged = cut;
    if (info.drawable && !cut && info.bitmap_present < info.bitmap_needed) {
      info.damaged = true;
      notes.push_back("the block holds " + std::to_string(info.bitmap_present) + " of the " +
                      std::to_string(info.bitmap_needed) + " bitmap bytes its size needs");
    }
  }
  for (const std::string& n : notes) info.note += (info.note.empty() ? "" : "; ") + n;
  return info;
}

std::vector<std::string> draw_rows(std::span<const std::uint8_t> bitmap, std::uint16_t width,
                                   std::uint16_t height) {
  std::vector<std::string> rows(rows_reached(bitmap.size(), width, height));
  for (std::size_t r = 0; r < rows.size(); ++r) draw_row(bitmap, width, r, rows[r]);
  return rows;
}

void print_table_heading(std::FILE* out) {
  std::fprintf(out, "%6s %-4s %8s %5s %6s %6s %6s %6s %6s %6s %7s  %s\n", "code", "char", "offset",
               "class", "orient", "left", "top", "width", "height", "deltaX", "block", "note");
}

void print_table_row(const Definition& definition, const GlyphInfo& info, std::FILE* out) {
  const CharacterDescriptor& d = info.descriptor;
  auto number = [&](long value) { return info.has_descriptor ? std::to_string(value) : "-"; };
  std::fprintf(out, "%6d %-4s %8ld %5s %6s %6s %6s %6s %6s %6s %7zu%s%s\n", definition.code,
               character_name(definition.code).c_str(), definition.offset,
               number(d.glyph_class).c_str(), number(d.orientation).c_str(),
               number(d.left_offset).c_str(), number(d.top_offset).c_str(), number(d.width).c_str(),
               number(d.height).c_str(), number(d.delta_x).c_str(), definition.declared_size,
               info.note.empty() ? "" : "  ", info.note.c_str());
}

void print_glyph(const Definition& definition, const GlyphInfo& info, std::FILE* out) {
  const std::string name = character_name(definition.code);
  std::fprintf(out, "Character %d%s%s at byte %ld", definition.code, name.empty() ? "" : " ",
               name.c_str(), definition.offset);
  if (!info.has_descriptor) {
    std::fprintf(out, ": no complete descriptor (%s); nothing to draw\n\n", info.note.c_str());
    return;
  }
  const CharacterDescriptor& d = info.descriptor;
  std::fprintf(out, ": %u x %u dots, orientation %u (%s)", unsigned{d.width}, unsigned{d.height},
               unsigned{d.orientation}, orientation_name(d.orientation));
  if (!info.drawable) {
    std::fprintf(out, "; %s: not drawn\n\n", info.note.c_str());
    return;
  }
  std::fprintf(out, "\n");
  const std::span<const std::uint8_t> bitmap = bitmap_of(definition);
  const std::size_t rows = rows_reached(bitmap.size(), d.width, d.height);
  std::string line;
  for (std::size_t r = 0; r < rows; ++r) {
    draw_row(bitmap, d.width, r, line);
    std::fprintf(out, "%s\n", line.c_str());
  }
  if (d.width == 0 || d.height == 0) {
    std::fprintf(out, "(no dots)\n");
  } else if (rows < d.height || info.bitmap_present < info.bitmap_needed) {
    std::fprintf(out, "(the block ends here: %zu of %u rows present)\n",
                 info.bitmap_present / row_stride(d.width), unsigned{d.height});
  }
  std::fprintf(out, "\n");
}

// ---------------------------------------------------------------- the whole view

int view_font(std::FILE* in, std::FILE* out, const ViewOptions& options) {
  const long start = std::ftell(in);
  long size = -1;
  if (start >= 0 && std::fseek(in, 0, SEEK_END) == 0) size = std::ftell(in);
  if (start < 0 || std::fseek(in, start, SEEK_SET) != 0) {
    std::fprintf(out,
                 "Reading stopped at byte 0: the input is not a file that can be re-read "
                 "(a pipe?).\n");
    return kStatusFailed;
  }
  std::string title = options.title.empty() ? "Font" : "Font file: " + options.title;
  if (size >= 0) title += " (" + std::to_string(size) + " bytes)";
  std::fprintf(out, "%s\n", title.c_str());

  HeaderView header;
  StopPoint header_stop;
  const bool header_read = read_header(in, header, header_stop);
  print_header(header, out);
  if (!header_read) {
    // The contact sheet is still written, empty, so that a PNG asked for exists.
    bool failed = false;
    if (options.png != nullptr) {
      const SheetLayout layout = lay_out(SheetPlan{});
      ContactSheet sheet(options.png, layout, SheetLimits{}.max_dots);
      failed = !sheet.finish();
      if (failed) std::fprintf(out, "Contact sheet: writing the PNG failed.\n");
    }
    print_stop(header_stop, out);
    return failed ? kStatusFailed : status_of(header_stop, true);
  }
  const long body_start = position(in);

  // Pass 1: the character table, and the sizes the contact sheet needs.
  std::fprintf(out, "\nCharacters:\n");
  print_table_heading(out);
  BodyWalk walk;
  walk.in = in;
  Definition definition;
  std::string note;
  std::size_t definitions = 0;
  std::size_t shown = 0;
  std::size_t skipped = 0;
  std::size_t damaged = 0;
  SheetPlan plan;
  for (Step step = next_step(walk, definition, note); step != Step::kEnd;
       step = next_step(walk, definition, note)) {
    if (step == Step::kSkipped) {
      ++skipped;
      std::fprintf(out, "  Skipped at %s\n", note.c_str());
      continue;
    }
    ++definitions;
    const GlyphInfo info = inspect(definition);
    if (info.damaged) ++damaged;
    if (!options.codes.contains(definition.code)) continue;
    ++shown;
    print_table_row(definition, info, out);
    const CharacterDescriptor& d = info.descriptor;
    plan.add(definition.code, info.drawable ? d.width : 0,
             info.drawable ? rows_reached(info.bitmap_present, d.width, d.height) : 0);
  }
  const StopPoint stop = walk.stop;
  std::fprintf(out, "%zu character definition%s", definitions, definitions == 1 ? "" : "s");
  if (!options.codes.ranges.empty()) std::fprintf(out, ", %zu shown (--chars)", shown);
  if (damaged > 0) std::fprintf(out, ", %zu damaged", damaged);
  if (skipped > 0) std::fprintf(out, ", %zu skipped", skipped);
  std::fprintf(out, ".\n");
  bool failed = false;

  // Pass 2: the drawings and the contact sheet, from the same bytes again.
  if (options.draw || options.png != nullptr) {
    std::clearerr(in);
    if (std::fseek(in, body_start, SEEK_SET) != 0) {
      std::fprintf(out, "Reading stopped at byte %ld: the input cannot be re-read.\n", body_start);
      return kStatusFailed;
    }
    const SheetLayout layout = lay_out(plan);
    std::optional<ContactSheet> sheet;
    if (options.png != nullptr) sheet.emplace(options.png, layout, plan.limits.max_dots);
    if (options.draw) std::fprintf(out, "\n");
    BodyWalk again;
    again.in = in;
    for (Step step = next_step(again, definition, note); step != Step::kEnd;
         step = next_step(again, definition, note)) {
      if (step != Step::kDefinition || !options.codes.contains(definition.code)) continue;
      const GlyphInfo info = inspect(definition);
      if (options.draw) print_glyph(definition, info, out);
      if (sheet) {
        const CharacterDescriptor& d = info.descriptor;
        sheet->add(definition.code, bitmap_of(definition), d.width, d.height, info.drawable);
      }
    }
    if (sheet) {
      if (sheet->finish()) {
        std::fprintf(out, "Contact sheet: %zu glyph%s, %d x %d pixels, %d x %d pixels a dot.\n",
                     layout.placed, layout.placed == 1 ? "" : "s", layout.width, layout.height,
                     layout.scale, layout.scale);
        if (layout.placed < plan.glyphs) {
          std::fprintf(out,
                       "Contact sheet: only the first %zu of %zu glyphs fit (a sheet is at most "
                       "%d pixels high).\n",
                       layout.placed, plan.glyphs, plan.limits.max_height_px);
        }
        if (plan.cropped) {
          std::fprintf(out,
                       "Contact sheet: glyphs larger than %d x %d dots are cropped to their top "
                       "left %d x %d dots.\n",
                       plan.limits.max_dots, plan.limits.max_dots, plan.limits.max_dots,
                       plan.limits.max_dots);
        }
      } else {
        std::fprintf(out, "Contact sheet: writing the PNG failed.\n");
        failed = true;
      }
    }
  }
  print_stop(stop, out);
  if (failed) return kStatusFailed;
  return status_of(stop, damaged > 0 || skipped > 0);
}

}  // namespace kestrune::view
