#include "convert/face.h"

#include <utility>

namespace kestrune::convert {
namespace {

constexpr int kCodes = 65536;

}  // namespace

bool GlyphSet::add(Glyph glyph) {
  if (glyph.code < 0 || glyph.code >= kCodes) return false;
  if (slot_.empty()) slot_.assign(kCodes, -1);
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
  if (code < 0 || code >= kCodes || slot_.empty()) return nullptr;
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

}  // namespace kestrune::convert
