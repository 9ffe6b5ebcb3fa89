#include "viewer/check_report.h"

#include "viewer/text.h"

namespace kestrune::view {
namespace {

// Ranges named on one line before the rest are counted.
constexpr std::size_t kRangesShown = 16;

std::string range_text(std::size_t first, std::size_t last) {
  return first == last ? std::to_string(first) : std::to_string(first) + "-" + std::to_string(last);
}

}  // namespace

void report_rule(CheckReport& report, Verdict verdict, std::string_view rule, std::string_view what,
                 std::string_view printer, std::string_view mend) {
  if (verdict == Verdict::kFail) {
    ++report.fails;
  } else {
    ++report.warns;
  }
  std::string line = verdict == Verdict::kFail ? "FAIL " : "WARN ";
  line.append(rule).append(": ").append(what).append("; ").append(printer);
  if (!mend.empty()) line.append("; ").append(mend);
  line += '\n';
  print_text(report.out, line);
}

void CodeTally::add(int code) {
  ++count;
  if (code >= 0 && code <= kLargestCharacterCode) {
    codes.set(static_cast<std::size_t>(code));
  } else {
    ++beyond;
  }
}

std::string tally_text(const CodeTally& tally) {
  std::string text =
      std::to_string(tally.count) + (tally.count == 1 ? " character: " : " characters: ");
  std::size_t ranges = 0;
  for (std::size_t code = 0; code < tally.codes.size(); ++code) {
    if (!tally.codes[code]) continue;
    std::size_t last = code;
    while (last + 1 < tally.codes.size() && tally.codes[last + 1]) ++last;
    if (ranges < kRangesShown) text += (ranges == 0 ? "" : ", ") + range_text(code, last);
    ++ranges;
    code = last;
  }
  if (ranges > kRangesShown) {
    text += " and " + std::to_string(ranges - kRangesShown) + " more ranges";
  }
  if (tally.beyond > 0) {
    text += std::string(ranges == 0 ? "" : ", ") + std::to_string(tally.beyond) +
            " with codes past 65535";
  }
  return text;
}

}  // namespace kestrune::view
