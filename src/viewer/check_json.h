// kestrune-view --check --json: the verdicts on many fonts as one JSON
// document, for scripts that check a font library.
#pragma once

#include <memory>
#include <string>

#include "viewer/font_check.h"

namespace kestrune::view {

// Whether this build can write JSON (it needs nlohmann-json).
bool json_available();

class CheckJson {
 public:
  CheckJson();
  ~CheckJson();
  CheckJson(const CheckJson&) = delete;
  CheckJson& operator=(const CheckJson&) = delete;

  void add(const CheckedFile& file);
  // The whole document, indented, with the totals; UTF-8, file names as given.
  std::string text(const CheckTotals& totals) const;

 private:
  struct Document;
  std::unique_ptr<Document> document_;
};

}  // namespace kestrune::view
