#include "softfont/header.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "pcl/commands.h"

namespace kestrune {
namespace {

// A short read is either the input's end or its failure; say which.
HeaderProblem short_read(const InputBuffer& in) {
  return in.failed() ? HeaderProblem::kReadError : HeaderProblem::kCutShort;
}

// The header's size: every byte before "W" is folded in as a digit, unchecked.
// The fold stays within int so that the size can be written back with "%d",
// four more included for an extended descriptor.
HeaderProblem read_header_size(InputBuffer& in, std::int64_t& size) {
  constexpr std::int64_t kLargest = INT32_MAX - 4;
  constexpr std::int64_t kSmallest = INT32_MIN;
  size = 0;
  for (int byte = in.next_byte(); byte != 'W'; byte = in.next_byte()) {
    if (byte == kEndOfInput) return short_read(in);
    // |size| is at most 2^31 here, so this cannot overflow 64 bits.
    size = size * 10 + (byte - '0');
    if (size > kLargest || size < kSmallest) return HeaderProblem::kSizeOutOfRange;
  }
  return HeaderProblem::kNone;
}

HeaderProblem read_font_descriptor(InputBuffer& in, FontHeader& header, DescriptorSizes sizes) {
  FontDescriptor& descriptor = header.descriptor;
  int size = 0;
  if (!read_be16(in, size)) return short_read(in);
  // The size field itself is part of the descriptor.
  descriptor.size = size;
  write_u16(descriptor.bytes, 0, static_cast<std::uint16_t>(size));
  header.descriptor_read = 2;
  if (sizes == DescriptorSizes::kToolsOwn && size != FontDescriptor::kPlainSize &&
      size != FontDescriptor::kResolutionSize) {
    return HeaderProblem::kDescriptorSize;
  }
  const auto kept = std::min(static_cast<std::size_t>(size), descriptor.bytes.size());
  for (int byte = 0; header.descriptor_read < kept && (byte = in.next_byte()) != kEndOfInput;) {
    descriptor.bytes[header.descriptor_read++] = static_cast<std::uint8_t>(byte);
  }
  if (header.descriptor_read < kept) return short_read(in);
  // A larger descriptor's further bytes are passed over.
  if (static_cast<std::size_t>(size) > kept) {
    std::vector<std::uint8_t> rest;
    const std::size_t count = static_cast<std::size_t>(size) - kept;
    if (in.read_block_at(0, count, rest) != count) return short_read(in);
  }
  return HeaderProblem::kNone;
}

HeaderProblem read_header_block(InputBuffer& in, FontHeader& header, DescriptorSizes sizes) {
  header.block_start = in.position();
  // The body starts at P + S, which must not lie before the file's start.
  if (header.declared_size < 0 &&
      header.block_start < static_cast<std::uint64_t>(-header.declared_size)) {
    return HeaderProblem::kSizeOutOfRange;
  }
  const HeaderProblem problem = read_font_descriptor(in, header, sizes);
  if (problem != HeaderProblem::kNone) return problem;
  header.extra_count = header.declared_size - header.descriptor.size;
  if (header.extra_count <= 0) return HeaderProblem::kNone;
  const auto count = static_cast<std::size_t>(header.extra_count);
  const std::size_t got = in.read_block_at(0, count, header.extra);
  header.extra.resize(got);
  return got == count ? HeaderProblem::kNone : short_read(in);
}

}  // namespace

HeaderProblem read_font_header(InputBuffer& in, FontHeader& header, DescriptorSizes sizes) {
  if (!in.seekable()) return HeaderProblem::kNotSeekable;
  const Match start = in.match(kFontHeaderStart);
  if (start != Match::kMatch) {
    return in.failed() ? HeaderProblem::kReadError : HeaderProblem::kBadStart;
  }
  const HeaderProblem problem = read_header_size(in, header.declared_size);
  if (problem != HeaderProblem::kNone) return problem;
  header.size_read = true;
  return read_header_block(in, header, sizes);
}

HeaderPrefix font_header_after_prefix(InputBuffer& in) {
  constexpr std::size_t kLookedAt = 4096;
  std::vector<std::uint8_t> start;
  if (!in.seek(0)) return {};
  start.resize(in.read_block_at(0, kLookedAt, start));
  return {font_header_after_commands(start), font_id_before_header(start)};
}

namespace {

constexpr HeaderFormat kHeaderFormats[] = {
    {0, FormatKind::kBitmap, "bitmap", true},
    {10, FormatKind::kScalable, "Intellifont bound scalable", false},
    {11, FormatKind::kScalable, "Intellifont unbound scalable", false},
    {15, FormatKind::kScalable, "TrueType scalable", false},
    {16, FormatKind::kScalable, "universal: scalable, or bitmap characters", true},
    {FontDescriptor::kResolutionSpecified, FormatKind::kResolutionBitmap,
     "resolution-specified bitmap", true},
};

}  // namespace

HeaderFormat header_format(std::uint8_t value) {
  for (const HeaderFormat& format : kHeaderFormats) {
    if (format.value == value) return format;
  }
  HeaderFormat unknown;
  unknown.value = value;
  return unknown;
}

int printer_resolution(const FontHeader& header) {
  const FontDescriptor& d = header.descriptor;
  if (header_format(header.format_byte()).kind != FormatKind::kResolutionBitmap ||
      d.size < FontDescriptor::kResolutionSize ||
      header.descriptor_read < FontDescriptor::kYResolutionOffset + 2) {
    return kDefaultResolution;
  }
  const int resolution = read_u16(d.bytes, FontDescriptor::kXResolutionOffset);
  return resolution > 0 ? resolution : kDefaultResolution;
}

bool resolution_ignored(const FontHeader& header) {
  return header.descriptor.size >= FontDescriptor::kResolutionSize &&
         header_format(header.format_byte()).kind == FormatKind::kBitmap;
}

std::string selection_commands(const FontHeader& header, SelectionForm form) {
  if (header.descriptor_read < FontDescriptor::kPlainSize) return "";
  const std::span<const std::uint8_t> plain(header.descriptor.bytes.data(),
                                            FontDescriptor::kPlainSize);
  return selection_string(decode_font_fields(plain), printer_resolution(header), form);
}

namespace {

// Each problem as kestrune's error line gives it, and as the check and the
// viewer say why printers take no font.
struct ProblemText {
  HeaderProblem problem;
  std::string_view reason;
  std::string_view printer_reason;
};
constexpr ProblemText kProblemTexts[] = {
    {HeaderProblem::kNotSeekable,
     "Input file is not seekable; the font header cannot be read from a pipe.",
     "the input is not a file that can be re-read (a pipe?)"},
    {HeaderProblem::kBadStart, "First 3 bytes of input file are bad... nothing output.",
     "no font header (ESC )s...W) at the start of the file, nor after PCL commands or PJL lines "
     "there"},
    {HeaderProblem::kCutShort, "Input ends inside the font header.",
     "the file ends inside the font header"},
    {HeaderProblem::kSizeOutOfRange, "Font header size is out of range.",
     "the font header's size is out of range"},
    {HeaderProblem::kDescriptorSize,
     "Cannot work on this version of SFP... need 64 or 68 byte header size.",
     "the font descriptor is neither 64 nor 68 bytes"},
};

const ProblemText* text_of(HeaderProblem problem) {
  for (const ProblemText& text : kProblemTexts) {
    if (text.problem == problem) return &text;
  }
  return nullptr;
}

}  // namespace

std::string_view header_problem_reason(HeaderProblem problem) {
  const ProblemText* text = text_of(problem);
  return text != nullptr ? text->reason : "";
}

std::string_view header_problem_for_printers(HeaderProblem problem) {
  const ProblemText* text = text_of(problem);
  return text != nullptr ? text->printer_reason : "";
}

}  // namespace kestrune
