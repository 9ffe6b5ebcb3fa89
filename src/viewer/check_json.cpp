#include "viewer/check_json.h"

#include <cstring>

#ifdef KESTRUNE_HAVE_JSON
#include <nlohmann/json.hpp>
#endif

namespace kestrune::view {

#ifdef KESTRUNE_HAVE_JSON

namespace {

using json = nlohmann::ordered_json;

json codes_of(const check::Finding& finding) {
  json codes = json::array();
  if (finding.characters == nullptr) return codes;
  const auto& set = finding.characters->codes;
  for (std::size_t code = 0; code < set.size(); ++code) {
    if (set[code]) codes.push_back(code);
  }
  return codes;
}

json result_of(const check::Finding& finding) {
  return {{"rule", check::rule(finding.rule).name},
          {"verdict", check::verdict_name(finding.verdict)},
          {"count", finding.characters == nullptr ? 0 : finding.characters->count},
          {"codes", codes_of(finding)},
          {"text", finding.text()}};
}

// How the check's reading ended.
const char* how_reading_ended(FontEnding ending) {
  switch (ending) {
    case FontEnding::kEnd:
      return "end";
    case FontEnding::kCutShort:
      return "cut-short";
    case FontEnding::kNoHeader:
      return "no-font-header";
    case FontEnding::kReadError:
      return "read-error";
    default:
      // A scalable font's characters are not read.
      return "header-only";
  }
}

// How reading ended, and where.
json ending_of(const CheckedFile& file) {
  if (!file.opened) {
    return {{"how", "not-opened"}, {"at", 0}, {"reason", std::strerror(file.open_error)}};
  }
  if (!file.seekable) return {{"how", "not-seekable"}, {"at", 0}};
  const check::FontVerdict& verdict = file.verdict;
  json ending = {{"how", how_reading_ended(verdict.ending)}, {"at", verdict.stopped_at}};
  if (verdict.ending == FontEnding::kCutShort) {
    ending["definition_at"] = verdict.cut_at;
    if (verdict.cut_code >= 0) ending["code"] = verdict.cut_code;
  }
  if (verdict.ending == FontEnding::kReadError && verdict.read_error != 0) {
    ending["reason"] = std::strerror(verdict.read_error);
  }
  return ending;
}

}  // namespace

struct CheckJson::Document {
  json files = json::array();
};

bool json_available() { return true; }

void CheckJson::add(const CheckedFile& file) {
  json results = json::array();
  if (!could_not_be_read(file)) {
    for (const check::Finding& finding : file.verdict.findings) {
      results.push_back(result_of(finding));
    }
  }
  document_->files.push_back({{"name", file.name},
                              {"size", file.size ? json(*file.size) : json(nullptr)},
                              {"characters_checked", file.verdict.checked},
                              {"ending", ending_of(file)},
                              {"results", std::move(results)}});
}

std::string CheckJson::text(const CheckTotals& totals) const {
  const json document = {
      {"files", document_->files},
      {"totals",
       {{"files", totals.files}, {"with_fail", totals.with_fail}, {"not_read", totals.not_read}}}};
  // A name that is not UTF-8 is written with U+FFFD in its bad bytes' place.
  return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

#else

struct CheckJson::Document {};

bool json_available() { return false; }

void CheckJson::add(const CheckedFile&) {}

std::string CheckJson::text(const CheckTotals&) const { return {}; }

#endif

CheckJson::CheckJson() : document_(std::make_unique<Document>()) {}
CheckJson::~CheckJson() = default;

}  // namespace kestrune::view
