#include "convert/face.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

#include "pcl/compressed.h"
#include "pcl/records.h"

namespace kestrune::convert {
namespace {

constexpr int kCodeCount = 65536;
constexpr int kLargestSide = 16384;     // dots, wide or high
constexpr int kFurthestOffset = 16384;  // dots, either way
constexpr int kLargestWord = 0xFFFF;

// value x factor, held within low to high: a factor large enough to carry
// a field past what it can hold leaves it at the end it was heading for.
int scaled(int value, int factor, int low, int high) {
  const std::int64_t product = std::int64_t{value} * factor;
  return static_cast<int>(std::clamp<std::int64_t>(product, low, high));
}

int scaled(int value, int factor) {
  return scaled(value, factor, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
}

std::string offset_beyond(const char* which, int offset) {
  const int limit = offset < 0 ? -kFurthestOffset : kFurthestOffset;
  return std::string("its ") + which + " offset " + std::to_string(offset) + " is beyond " +
         std::to_string(limit);
}

bool dot_at(const Glyph& glyph, std::size_t stride, int x, int y) {
  const std::size_t at = static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) / 8;
  if (at >= glyph.rows.size()) return false;
  return (glyph.rows[at] >> (7 - x % 8) & 1) != 0;
}

// The rows of `glyph` (still at its own size) with every dot factor x
// factor, read dot by dot so that the bits past its width stay clear.
std::vector<std::uint8_t> scaled_rows(const Glyph& glyph, int factor) {
  const std::size_t stride = glyph_stride(glyph.width);
  const std::size_t wide = static_cast<std::size_t>(glyph.width) * static_cast<std::size_t>(factor);
  const std::size_t scaled_stride = (wide + 7) / 8;
  const auto times = static_cast<std::size_t>(factor);
  std::vector<std::uint8_t> rows;
  rows.reserve(scaled_stride * static_cast<std::size_t>(glyph.height) * times);
  std::vector<std::uint8_t> line(scaled_stride);
  for (int y = 0; y < glyph.height; ++y) {
    std::fill(line.begin(), line.end(), std::uint8_t{0});
    for (int x = 0; x < glyph.width; ++x) {
      if (!dot_at(glyph, stride, x, y)) continue;
      for (std::size_t dot = static_cast<std::size_t>(x) * times, end = dot + times; dot < end;
           ++dot) {
        line[dot / 8] = static_cast<std::uint8_t>(line[dot / 8] | 0x80 >> (dot % 8));
      }
    }
    for (std::size_t copy = 0; copy < times; ++copy)
      rows.insert(rows.end(), line.begin(), line.end());
  }
  return rows;
}

// A glyph too large for printers once scaled is refused by the caller's
// check of limits, so its rows are never built: an absurd factor must not
// ask for gigabytes first.
void scale_glyph(Glyph& glyph, int factor) {
  const bool drawable = glyph.width > 0 && glyph.height > 0;
  const std::int64_t wide = std::int64_t{glyph.width} * factor;
  const std::int64_t high = std::int64_t{glyph.height} * factor;
  const bool within =
      drawable && wide <= kLargestSide && high <= kLargestSide &&
      !bitmap_too_large(static_cast<std::uint16_t>(wide), static_cast<std::uint16_t>(high));
  if (within) {
    glyph.rows = scaled_rows(glyph, factor);
  } else {
    glyph.rows.clear();
  }
  glyph.width = scaled(glyph.width, factor);
  glyph.height = scaled(glyph.height, factor);
  glyph.left = scaled(glyph.left, factor);
  glyph.top = scaled(glyph.top, factor);
  glyph.advance = scaled(glyph.advance, factor);
}

// The descriptor's words are unsigned 16 bits and its underline bytes
// signed (position) and unsigned (thickness).
void scale_fields(FontFields& fields, int factor, bool resolution) {
  for (int* word :
       {&fields.baseline, &fields.cell_width, &fields.cell_height, &fields.pitch, &fields.height,
        &fields.x_height, &fields.cap_height, &fields.text_height, &fields.text_width}) {
    *word = scaled(*word, factor, 0, kLargestWord);
  }
  fields.underline_position = scaled(fields.underline_position, factor, -128, 127);
  fields.underline_thickness = scaled(fields.underline_thickness, factor, 0, 255);
  if (!resolution) return;
  fields.x_resolution = scaled(fields.x_resolution, factor, 0, kLargestWord);
  fields.y_resolution = scaled(fields.y_resolution, factor, 0, kLargestWord);
}

// 0 when every code is in 32-127, 1 when every code is in 32-127 or
// 160-255, else 2.
int font_type_of(const std::vector<const Glyph*>& glyphs) {
  int type = 0;
  for (const Glyph* glyph : glyphs) {
    const int code = glyph->code;
    if (code >= 32 && code <= 127) continue;
    if (code >= 160 && code <= 255) {
      type = 1;
      continue;
    }
    return 2;
  }
  return type;
}

// The commonest of these advances, sorted; the smallest of those as common.
int commonest(const std::vector<int>& advances) {
  int found = 0;
  std::ptrdiff_t most = 0;
  for (auto run = advances.begin(); run != advances.end();) {
    const auto run_end = std::upper_bound(run, advances.end(), *run);
    if (run_end - run > most) {
      most = run_end - run;
      found = *run;
    }
    run = run_end;
  }
  return found;
}

// Fixed spacing when every glyph advances alike; else proportional, with
// the space's advance as the pitch, or the commonest advance for a font
// with no space. A face with no glyphs keeps the pitch it has.
void work_out_spacing(FontFields& fields, const std::vector<const Glyph*>& glyphs,
                      const Glyph* space) {
  if (glyphs.empty()) {
    fields.spacing = 0;
    return;
  }
  std::vector<int> advances;
  advances.reserve(glyphs.size());
  for (const Glyph* glyph : glyphs) advances.push_back(glyph->advance);
  std::sort(advances.begin(), advances.end());
  int pitch = advances.front();
  fields.spacing = advances.front() == advances.back() ? 0 : 1;
  if (fields.spacing == 1) pitch = space != nullptr ? space->advance : commonest(advances);
  fields.pitch = std::clamp(pitch, 0, kLargestWord);
}

}  // namespace

void make_blank_dot(Glyph& glyph) {
  glyph.width = glyph.height = glyph.top = 1;
  glyph.left = 0;
  glyph.rows.assign(1, 0);
}

std::string beyond_printer_limits(const Glyph& glyph) {
  if (glyph.width < 1 || glyph.width > kLargestSide) {
    return std::to_string(glyph.width) + " dots wide";
  }
  if (glyph.height < 1 || glyph.height > kLargestSide) {
    return std::to_string(glyph.height) + " dots high";
  }
  if (glyph.left < -kFurthestOffset || glyph.left > kFurthestOffset) {
    return offset_beyond("left", glyph.left);
  }
  if (glyph.top < -kFurthestOffset || glyph.top > kFurthestOffset) {
    return offset_beyond("top", glyph.top);
  }
  if (bitmap_too_large(static_cast<std::uint16_t>(glyph.width),
                       static_cast<std::uint16_t>(glyph.height))) {
    return "its bitmap is over 1 MiB";
  }
  return {};
}

bool GlyphSet::add(Glyph glyph) {
  if (glyph.code < 0 || glyph.code >= kCodeCount) return false;
  if (slot_.empty()) slot_.assign(kCodeCount, -1);
  const auto code = static_cast<std::size_t>(glyph.code);
  if (slot_[code] >= 0) {
    glyphs_[static_cast<std::size_t>(slot_[code])] = std::move(glyph);
    return true;
  }
  slot_[code] = static_cast<std::int32_t>(glyphs_.size());
  glyphs_.push_back(std::move(glyph));
  ++count_;
  return false;
}

const Glyph* GlyphSet::find(int code) const {
  if (code < 0 || code >= kCodeCount || slot_.empty()) return nullptr;
  const std::int32_t at = slot_[static_cast<std::size_t>(code)];
  return at < 0 ? nullptr : &glyphs_[static_cast<std::size_t>(at)];
}

std::vector<const Glyph*> GlyphSet::in_code_order() const {
  std::vector<const Glyph*> ordered;
  ordered.reserve(count_);
  for (std::size_t code = 0; code < slot_.size(); ++code) {
    if (slot_[code] >= 0) ordered.push_back(&glyphs_[static_cast<std::size_t>(slot_[code])]);
  }
  return ordered;
}

std::span<const std::uint8_t> glyph_rows(const Glyph& glyph, std::vector<std::uint8_t>& scratch) {
  if (glyph.runs.empty()) return glyph.rows;
  // Runs are kept only from a character of 16-bit sides that unpacked
  // without damage when it was read; should that ever not hold, the rows
  // are clear rather than read from a failed unpacking.
  const auto side = [](int dots) {
    return static_cast<std::uint16_t>(std::clamp(dots, 0, 0xFFFF));
  };
  if (unpack_compressed_bitmap(glyph.runs, side(glyph.width), side(glyph.height), scratch) !=
      Unpacked::kDone) {
    scratch.assign(glyph_stride(glyph.width) * static_cast<std::size_t>(std::max(glyph.height, 0)),
                   0);
  }
  return scratch;
}

void unpack_runs(Glyph& glyph) {
  if (glyph.runs.empty()) return;
  std::vector<std::uint8_t> rows;
  glyph_rows(glyph, rows);
  glyph.rows = std::move(rows);
  glyph.runs = {};
}

void scale_face(Face& face, int factor, bool resolution) {
  if (factor <= 1) return;
  for (Glyph& glyph : face.glyphs.all()) {
    unpack_runs(glyph);
    scale_glyph(glyph, factor);
  }
  scale_fields(face.fields, factor, resolution);
}

// Printers read the resolution only from the 68-byte descriptor of a
// format 20 header; a 300-dot font keeps the plain form every printer reads.
void finish_fields(Face& face) {
  FontFields& fields = face.fields;
  const std::vector<const Glyph*> glyphs = face.glyphs.in_code_order();
  fields.first_code = glyphs.empty() ? 0 : glyphs.front()->code;
  fields.last_code = glyphs.empty() ? 0 : glyphs.back()->code;
  if (!face.given.font_type) fields.font_type = font_type_of(glyphs);
  if (!face.given.spacing) work_out_spacing(fields, glyphs, face.glyphs.find(32));
  const bool at_300 = fields.x_resolution == 300 && fields.y_resolution == 300;
  fields.descriptor_size = at_300 ? 64 : 68;
  fields.header_format = at_300 ? 0 : 20;
}

}  // namespace kestrune::convert
