#include "softfont/font.h"

namespace kestrune {

FontReader::FontReader(InputBuffer& in, FontReadingRules rules) : in_(in), rules_(rules) {}

HeaderProblem FontReader::read_header() {
  header_ = FontHeader{};
  header_problem_ = read_font_header(in_, header_, rules_.sizes);
  if (header_problem_ == HeaderProblem::kBadStart && !in_.failed()) {
    const HeaderPrefix prefix = font_header_after_prefix(in_);
    prefix_end_ = prefix.header_at;
    const bool font_id = prefix.font_id >= 0 && prefix_end_ >= 0;
    if ((font_id || (prefix_end_ >= 0 && rules_.past_prefix)) &&
        in_.seek(static_cast<std::uint64_t>(prefix_end_))) {
      header_ = FontHeader{};
      header_problem_ = read_font_header(in_, header_, rules_.sizes);
      header_start_ = static_cast<std::uint64_t>(prefix_end_);
      font_id_ = font_id ? prefix.font_id : -1;
      read_past_prefix_ = !font_id;
    }
  }
  body_start_ = header_.body_start();
  if (header_problem_ == HeaderProblem::kReadError || in_.failed()) {
    header_problem_ = HeaderProblem::kReadError;
    ending_ = FontEnding::kReadError;
  } else if (!header_fault().empty()) {
    ending_ = FontEnding::kNoHeader;
  }
  return header_problem_;
}

std::string FontReader::header_fault() const {
  if (header_problem_ != HeaderProblem::kNone) {
    return std::string(header_problem_for_printers(header_problem_));
  }
  if (header_.declared_size >= header_.descriptor.size) return "";
  return "the font header's block of " + std::to_string(header_.declared_size) +
         " bytes is shorter than its descriptor of " + std::to_string(header_.descriptor.size) +
         " bytes";
}

bool FontReader::start_body() {
  dropped_ = BytesOutsideDefinitions{};
  definition_ = CharacterDefinition{};
  if (header_problem_ != HeaderProblem::kNone) return false;
  if (!in_.seek(body_start_)) {
    ending_ = FontEnding::kReadError;
    return false;
  }
  dropped_.counted_to = body_start_;
  ending_ = FontEnding::kReading;
  return true;
}

bool FontReader::next_definition() {
  if (ending_ != FontEnding::kReading) return false;
  if (!in_.exhausted() && read_character_definition(in_, buffer_, definition_)) {
    dropped_.account(definition_);
    return true;
  }
  if (in_.failed()) {
    ending_ = FontEnding::kReadError;
    return false;
  }
  // The search for a last ESC took every byte to the end, or the input ran
  // out inside the definition read last, which then stays to be named.
  dropped_.end_at(in_.position());
  ending_ = definition_.input_ended ? FontEnding::kCutShort : FontEnding::kEnd;
  return false;
}

Character FontReader::classify(unsigned look) {
  return classify_definition(definition_, header_.orientation(), look, unpacked_);
}

std::uint64_t FontReader::stopped_at() const {
  if (ending_ == FontEnding::kNoHeader && header_problem_ == HeaderProblem::kBadStart) return 0;
  return in_.position();
}

BytesOutsideDefinitions FontReader::stray_bytes() const {
  BytesOutsideDefinitions stray = dropped_;
  if (ending_ == FontEnding::kCutShort) {
    // The cut definition is the last bytes dropped.
    stray.count -= definition_.end - definition_.start;
  }
  return stray;
}

bool collect_defined_codes(FontReader& font, DefinedCodes& codes) {
  if (!font.start_body()) return false;
  while (font.next_definition()) {
    const CharacterDefinition& definition = font.definition();
    // A value past 16 bits is no code a descriptor can name.
    if (definition.status == DefinitionStatus::kComplete &&
        definition.code <= kLargestCharacterCode) {
      codes.add(definition.code);
    }
  }
  return font.ending() != FontEnding::kReadError;
}

}  // namespace kestrune
