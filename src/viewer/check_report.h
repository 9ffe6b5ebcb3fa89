// The lines of kestrune-view --check: one for each rule a font breaks, the
// rule's name and verdict first, then what breaks it and where, what a
// printer does with it, and how to mend it.
#pragma once

#include <bitset>
#include <cstddef>
#include <string>
#include <string_view>

#include "bytes/messages.h"
#include "pcl/records.h"

namespace kestrune::view {

// FAIL: some printer or interpreter rejects or misprints it. WARN: it
// prints, but probably not as meant.
enum class Verdict { kFail, kWarn };

struct CheckReport {
  MessageSink& out;
  int fails = 0;
  int warns = 0;
};

// "FAIL rule: what; printer[; mend]"
void report_rule(CheckReport& report, Verdict verdict, std::string_view rule, std::string_view what,
                 std::string_view printer, std::string_view mend = {});

// The characters that break one rule: their codes, and how many there are.
struct CodeTally {
  std::bitset<kLargestCharacterCode + 1> codes;
  std::size_t count = 0;   // characters, a code defined twice counted twice
  std::size_t beyond = 0;  // of them, codes past 16 bits

  void add(int code);
  bool empty() const { return count == 0; }
};

// "3 characters: 33-34, 160", the codes as ranges, as many as a line holds.
std::string tally_text(const CodeTally& tally);

}  // namespace kestrune::view
