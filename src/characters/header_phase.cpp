#include "characters/header_phase.h"

#include <array>

#include "pcl/commands.h"

namespace kestrune {
namespace {

// A file that holds a font header a little further on, after PCL commands
// or a PJL header, gets a hint where it begins; the refusal stands.
void hint_at_later_font_header(std::int64_t at, MessageSink& messages) {
  if (at < 0) return;
  print_text(messages, "Warning: The font header begins at byte ", at,
             ", after PCL commands or a PJL header; convert the font without them, cut off with "
             "tail -c +");
  print_text(messages, "", at + 1, " font.pcl > font.sfp.\n");
}

// With -fix, First Code and Last Code that a DeskJet would refuse are set to
// the lowest and highest codes the font defines, read in a pass of their own.
bool mend_first_last_code(FontReader& font, MessageSink& messages) {
  DefinedCodes codes;
  if (!collect_defined_codes(font, codes)) return false;
  std::array<std::uint8_t, FontDescriptor::kResolutionSize>& d = font.header().descriptor.bytes;
  if (codes.count == 0 ||
      !first_last_code_broken(read_u16(d, FontDescriptor::kFirstCodeOffset),
                              read_u16(d, FontDescriptor::kLastCodeOffset), codes)) {
    return true;
  }
  // The codes collected fit 16 bits.
  write_u16(d, FontDescriptor::kFirstCodeOffset, static_cast<std::uint16_t>(codes.lowest));
  write_u16(d, FontDescriptor::kLastCodeOffset, static_cast<std::uint16_t>(codes.highest));
  print_text(messages, "First and last code fixed: set to ", codes.lowest, " and ");
  print_text(messages, "", codes.highest, ".\n");
  return true;
}

void report_header_problem(HeaderProblem problem, MessageSink& messages) {
  if (problem == HeaderProblem::kReadError) {
    report_read_error(messages);
    return;
  }
  print_text(messages, "Error: ");
  print_text(messages, header_problem_reason(problem));
  print_text(messages, "\n");
}

// With -f20 the header is marked resolution-specified; without it, a header
// that is not gets a warning, as the new resolution will not reach a printer.
void apply_header_format(FontDescriptor& descriptor, bool mark_format_20, MessageSink& messages) {
  std::uint8_t& format = descriptor.bytes[FontDescriptor::kHeaderFormatOffset];
  if (mark_format_20) {
    format = FontDescriptor::kResolutionSpecified;
  } else if (header_format(format).kind != FormatKind::kResolutionBitmap) {
    print_text(messages,
               "Warning: Printers read the resolution only from a format 20 "
               "(resolution-specified) header; add -f20 to mark this font so.\n");
  }
}

// X and Y resolution both take the low 16 bits of R; a 64-byte descriptor
// grows to the 68-byte form to hold them.
void apply_resolution(FontHeader& header, std::int32_t resolution, MessageSink& messages) {
  FontDescriptor& d = header.descriptor;
  const auto low_bits = static_cast<std::uint16_t>(static_cast<std::uint32_t>(resolution) & 0xFFFF);
  write_u16(d.bytes, FontDescriptor::kXResolutionOffset, low_bits);
  write_u16(d.bytes, FontDescriptor::kYResolutionOffset, low_bits);
  if (d.size == FontDescriptor::kPlainSize) {
    write_u16(d.bytes, 0, FontDescriptor::kResolutionSize);
    d.size = FontDescriptor::kResolutionSize;
    header.declared_size += 4;
  }
  print_text(messages, "Resolution set to ", resolution, "\n");
}

// False, with a warning, when the font is not portrait, or not a bitmap font.
bool apply_landscape(FontHeader& header, bool bitmap_font, MessageSink& messages) {
  std::uint8_t& orientation = header.descriptor.bytes[FontDescriptor::kOrientationOffset];
  if (orientation != 0 || !bitmap_font) {
    print_text(messages, "Warning: Cannot rotate this font! Continuing...\n");
    return false;
  }
  orientation = 1;
  return true;
}

bool write_font_header(OutputBuffer& out, const FontHeader& header) {
  const std::span<const std::uint8_t> descriptor(header.descriptor.bytes.data(),
                                                 static_cast<std::size_t>(header.descriptor.size));
  return emit_command(")s", static_cast<int>(header.declared_size), 'W', out) &&
         out.write(descriptor) && out.write(header.extra);
}

// A scalable font's characters are no bitmaps: turning, cleaning or mending
// them as bitmaps would only damage them.
bool check_bitmap_font(const FontReader& font, const HeaderChanges& changes,
                       MessageSink& messages) {
  if (font.bitmap_font()) return true;
  if (changes.landscape || changes.clean || changes.fix) {
    const HeaderFormat format = font.format();
    print_text(messages, "Warning: Header format ", format.value, " (");
    print_text(messages, format.name);
    print_text(messages,
               ") is a scalable font's; kestrune changes bitmap characters only, and copies "
               "these as they are.\n");
  }
  return false;
}

// Reads the header, printing its size and, with -fix, where it was found
// after a PCL prefix. False, with the error line printed, when it cannot
// be used.
bool read_header(FontReader& font, MessageSink& messages) {
  const HeaderProblem problem = font.read_header();
  const FontHeader& header = font.header();
  if (font.read_past_prefix() && problem == HeaderProblem::kNone) {
    print_text(messages, "PCL prefix fixed: the font header begins at byte ", font.prefix_end(),
               "; the commands before it are left out.\n");
  }
  if (header.size_read) print_text(messages, "header size = ", header.declared_size, "\n");
  if (problem == HeaderProblem::kNone) return true;
  if (problem == HeaderProblem::kBadStart) hint_at_later_font_header(font.prefix_end(), messages);
  report_header_problem(problem, messages);
  return false;
}

}  // namespace

FontReadingRules kestrune_reading(bool fix) { return {DescriptorSizes::kToolsOwn, fix}; }

HeaderOutcome rewrite_font_header(FontReader& font, OutputBuffer& out, const HeaderChanges& changes,
                                  MessageSink& messages) {
  HeaderOutcome outcome;
  if (!read_header(font, messages)) return outcome;
  FontHeader& header = font.header();
  if (changes.resolution != 0) {
    apply_resolution(header, changes.resolution, messages);
    apply_header_format(header.descriptor, changes.mark_format_20, messages);
  }
  outcome.bitmap_font = check_bitmap_font(font, changes, messages);
  if (changes.landscape) outcome.turned = apply_landscape(header, outcome.bitmap_font, messages);
  // The check judges no character of a scalable font, First and Last Code
  // among them.
  if (changes.fix && outcome.bitmap_font && !mend_first_last_code(font, messages)) {
    report_read_error(messages);
    return outcome;
  }
  // A download file's ID is kept before the header, as printers need it.
  const bool id_written = font.font_id() < 0 || write_font_id(font.font_id(), out);
  if (!id_written || !write_font_header(out, header)) {
    report_write_error(messages, out.error_number());
    return outcome;
  }
  if (!font.start_body()) {
    report_read_error(messages);
    return outcome;
  }
  outcome.written = true;
  return outcome;
}

}  // namespace kestrune
