#include "viewer/header_report.h"

#include <algorithm>
#include <cstdio>

#include "viewer/text.h"

namespace kestrune::view {
namespace {

// Descriptor fields the header section shows (PCL bitmap font descriptor).
constexpr std::size_t kNameOffset = 48;
constexpr std::size_t kNameSize = 16;
constexpr std::size_t kExtraShown = 512;  // extra header bytes shown as text
constexpr std::size_t kDescriptorKept = FontDescriptor::kResolutionSize;

void field(MessageSink& out, const char* label, const std::string& value) {
  say(out, "  %-20s%s\n", label, value.c_str());
}

void print_descriptor_fields(const FontHeader& header, MessageSink& out) {
  const FontDescriptor& d = header.descriptor;
  const std::size_t present = header.descriptor_read;
  if (present > FontDescriptor::kHeaderFormatOffset) {
    const HeaderFormat format = header_format(header.format_byte());
    field(out, "Header format:", std::to_string(format.value) + " (" + format.name + ")");
  }
  if (present > FontDescriptor::kOrientationOffset) {
    field(out, "Orientation:", orientation_name(d.bytes[FontDescriptor::kOrientationOffset]));
  }
  if (d.size >= FontDescriptor::kResolutionSize && present == d.bytes.size()) {
    field(out, "Resolution:",
          "X " + std::to_string(read_u16(d.bytes, FontDescriptor::kXResolutionOffset)) +
              " dpi, Y " + std::to_string(read_u16(d.bytes, FontDescriptor::kYResolutionOffset)) +
              " dpi");
  } else if (d.size == FontDescriptor::kPlainSize) {
    field(out, "Resolution:", "none in a 64-byte descriptor (printed at 300 dpi)");
  }
  if (present >= kNameOffset + kNameSize) field(out, "Font name:", quoted(font_name(header)));
  // How a job selects a bitmap font once it is downloaded; a scalable
  // font's height is no fixed size.
  if (present >= static_cast<std::size_t>(FontDescriptor::kPlainSize) &&
      header_format(header.format_byte()).bitmap_characters) {
    field(out, "Selected by:", selection_commands(header, SelectionForm::kWrittenOut));
    field(out, "In printf:", selection_commands(header, SelectionForm::kBackslashEscapes));
  }
}

void print_extra_bytes(const FontHeader& header, MessageSink& out) {
  if (header.extra_count <= 0) {
    field(out, "Extra header bytes:", "none");
    return;
  }
  const std::span<const std::uint8_t> extra(header.extra);
  std::string text = std::to_string(header.extra_count) + ": " +
                     quoted(extra.first(std::min(extra.size(), kExtraShown)));
  if (extra.size() > kExtraShown) {
    text += " ... and " + std::to_string(extra.size() - kExtraShown) + " more";
  }
  field(out, "Extra header bytes:", text);
}

// What a printer will make of this header.
void print_header_notes(const FontHeader& header, MessageSink& out) {
  const int size = header.descriptor.size;
  const int format = header.format_byte();
  if (resolution_ignored(header)) {
    say(out,
        "  Note: the descriptor is %d bytes but its header format is %d, not 20: PCL "
        "printers read the X and Y resolution only from a resolution-specified (format "
        "20) header, so this font prints at the default 300 dpi.\n",
        size, format);
  }
  if (format == FontDescriptor::kResolutionSpecified && size < FontDescriptor::kResolutionSize) {
    say(out,
        "  Note: header format 20 (resolution-specified) needs a 68-byte descriptor; "
        "this one is %d bytes.\n",
        size);
  }
  if (header.declared_size < size) {
    say(out,
        "  Note: the header's block (%lld bytes) is shorter than its descriptor (%d "
        "bytes); the body begins at byte %lld, inside the descriptor.\n",
        static_cast<long long>(header.declared_size), size,
        static_cast<long long>(header.block_start) + header.declared_size);
  }
}

}  // namespace

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

// The font's name, its trailing spaces dropped.
std::span<const std::uint8_t> font_name(const FontHeader& header) {
  std::span<const std::uint8_t> name(header.descriptor.bytes.data() + kNameOffset, kNameSize);
  while (!name.empty() && name.back() == ' ') name = name.first(name.size() - 1);
  return name;
}

// The header section: as much of the header as the tool read.
void print_header(const FontHeader& header, MessageSink& out) {
  if (!header.size_read) {
    say(out, "Font header: none found\n");
    return;
  }
  say(out, "Font header: ESC )s%lldW, a block of %lld bytes from byte %llu\n",
      static_cast<long long>(header.declared_size), static_cast<long long>(header.declared_size),
      static_cast<unsigned long long>(header.block_start));
  if (header.descriptor_read < 2) {
    field(out, "Descriptor size:", "missing");
    return;
  }
  field(out, "Descriptor size:", std::to_string(header.descriptor.size) + " bytes");
  print_descriptor_fields(header, out);
  // Of a larger descriptor the first 68 bytes are kept.
  const std::size_t kept =
      std::min(static_cast<std::size_t>(std::max(header.descriptor.size, 0)), kDescriptorKept);
  if (header.descriptor_read < kept) return;
  print_extra_bytes(header, out);
  print_header_notes(header, out);
}

}  // namespace kestrune::view
