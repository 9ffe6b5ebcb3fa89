// The byte layer's window, held to itself at the smallest capacities, where
// every read crosses a refill, and its buffered output and messages.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "bytes/input.h"
#include "bytes/messages.h"
#include "bytes/output.h"
#include "font_builder.h"
#include "streams.h"

namespace kestrune {
namespace {

using fontbuilder::Bytes;
using fontbuilder::text;

enum class Op { kField, kMatchCode, kMatchSize, kBlock, kSkip, kTake, kSeek };
struct Step {
  Op op;
  std::size_t count = 0;  // kBlock, kTake and kSeek only
};
using Script = std::vector<Step>;

constexpr std::size_t kPastWindow = InputBuffer::kDefaultCapacity + 4464;  // 70000
const std::uint8_t kCode[] = {'*', 'c'};
const std::uint8_t kSize[] = {27, '(', 's'};

// A whole block as the scanner takes it, or "short" when the input runs out
// first.
std::string take(InputBuffer& in, std::size_t count, std::vector<std::uint8_t>& block) {
  const std::uint8_t* bytes = in.take_block(count, block);
  return bytes == nullptr ? "short" : std::string(bytes, bytes + count);
}

// Runs `script` and then reads whatever is left, describing every step's
// result and whether the input counts as exhausted after it.
std::vector<std::string> run_script(InputBuffer& in, Script script) {
  script.push_back({Op::kBlock, std::size_t{1} << 20});
  std::vector<std::uint8_t> block;  // reused from one block to the next
  std::vector<std::string> log;
  for (const Step& step : script) {
    std::string entry;
    switch (step.op) {
      case Op::kField: {
        const DecimalField field = in.read_decimal_field();
        entry = "field " + std::to_string(field.value) + " " + std::to_string(field.terminator) +
                (field.overflow ? " overflow" : "");
        break;
      }
      case Op::kMatchCode:
      case Op::kMatchSize: {
        const Match m = step.op == Op::kMatchCode ? in.match(kCode) : in.match(kSize);
        entry = "match " + std::to_string(static_cast<int>(m));
        break;
      }
      case Op::kBlock: {
        const std::size_t got = in.read_block_at(0, step.count, block);
        entry = "block " + std::to_string(step.count) + " -> " + std::to_string(got) + " " +
                std::string(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got));
        break;
      }
      case Op::kSkip:
        entry = in.skip_to_escape() ? "skip found" : "skip ran out";
        break;
      case Op::kTake:
        entry = "take " + std::to_string(step.count) + " " + take(in, step.count, block);
        break;
      case Op::kSeek:
        entry =
            "seek " + std::to_string(in.seek(step.count)) + " to " + std::to_string(in.position());
        break;
    }
    log.push_back(entry + (in.exhausted() ? " | exhausted" : ""));
  }
  return log;
}

// Every capacity from 1 to 16 bytes reads as the default window does.
void expect_same_at_every_capacity(const Bytes& input, const Script& script) {
  InputBuffer whole(input);
  const std::vector<std::string> expected = run_script(whole, script);
  for (std::size_t capacity = 1; capacity <= 16; ++capacity) {
    SCOPED_TRACE("capacity " + std::to_string(capacity));
    InputBuffer buffer(input, capacity);
    EXPECT_EQ(run_script(buffer, script), expected);
  }
}

struct ScriptCase {
  std::string input;
  Script script;
};

TEST(BufferedInput, ReadsAlikeAtEveryCapacityOnHandMadeInputs) {
  const Op F = Op::kField, C = Op::kMatchCode, S = Op::kMatchSize, K = Op::kSkip;
  std::vector<ScriptCase> cases = {
      {"", {{F}, {F}, {K}}},
      {"", {{Op::kBlock, 0}, {C}, {S}}},
      {"12345", {{F}, {F}}},
      {"99999999999999999999E7", {{F}, {F}, {F}}},
      {"2147483647", {{F}}},
      // Digit runs of every length around a word's eight bytes, and values
      // either side of INT_MAX behind leading zeros.
      {"1E12E123E1234E12345E123456E1234567E12345678E123456789E1234567890E",
       {{F}, {F}, {F}, {F}, {F}, {F}, {F}, {F}, {F}, {F}, {F}}},
      {"00000000002147483647E0000000002147483648E21474836470E", {{F}, {F}, {F}}},
      {"98765432109876543210", {{F}}},
      {"ab\x1b", {{K}, {K}, {F}}},
      {"\x1b", {{K}, {S}}},
      {"\x1b(s", {{S}, {S}}},
      {"abcdef", {{Op::kBlock, 6}, {F}}},
      {"abcdef", {{C}, {Op::kBlock, 4}, {F}}},
      {"abcdef", {{Op::kBlock, 5}, {F}, {F}}},
      {"abcdef", {{Op::kBlock, 0}, {Op::kBlock, 7}, {Op::kBlock, 1}}},
      {"abcdef", {{F}, {Op::kBlock, kPastWindow}}},
      {std::string(70000, 'x') + "\x1b", {{Op::kBlock, 65535}, {Op::kBlock, 4464}, {K}, {F}}},
      {std::string(65536, '7') + "W", {{F}, {F}}},
      {"0123456789", {{Op::kBlock, 8}, {Op::kSeek, 2}, {F}, {Op::kSeek, 12}, {F}, {Op::kSeek, 0}}},
  };
  const std::string command = "*c65E\x1b(s3W";
  for (std::size_t length = 0; length <= command.size(); ++length) {
    const std::string cut = command.substr(0, length);
    cases.push_back({cut, {{C}, {F}, {S}, {F}, {Op::kBlock, 3}, {F}}});
    cases.push_back({cut, {{K}, {S}, {Op::kBlock, 2}, {C}, {F}}});
    cases.push_back({cut, {{C}, {F}, {S}, {F}, {Op::kTake, 3}, {K}}});
  }
  for (const ScriptCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.input.substr(0, 40)));
    expect_same_at_every_capacity(text(c.input), c.script);
  }
}

TEST(BufferedInput, ReadsAlikeAtEveryCapacityOnRandomInputs) {
  std::mt19937 random(20240611);
  const std::string favoured = "\x1b\x1b\x1b**cc((ssEW0123456789";
  for (int round = 0; round < 400; ++round) {
    // Every fiftieth input reaches past the default window.
    const std::size_t size =
        round % 50 == 49 ? 131072 + random() % 100 : static_cast<std::size_t>(random() % 48);
    Bytes input(size);
    for (std::uint8_t& byte : input) {
      byte = random() % 4 == 0 ? static_cast<std::uint8_t>(random())
                               : static_cast<std::uint8_t>(favoured[random() % favoured.size()]);
    }
    const std::size_t counts[] = {0, 1, 2, 3, 5, 16, 17, size, size + 1, 65535, 65536, kPastWindow};
    Script script(1 + random() % 12);
    for (Step& step : script) {
      step.op = static_cast<Op>(random() % 7);
      step.count = counts[random() % std::size(counts)];
    }
    SCOPED_TRACE("round " + std::to_string(round));
    expect_same_at_every_capacity(input, script);
  }
}

TEST(BufferedInput, HugeBlockCountSizesNothingBeyondTheInput) {
  for (const std::size_t capacity :
       {std::size_t{1}, std::size_t{16}, InputBuffer::kDefaultCapacity}) {
    const Bytes input(100, 0xAB);
    InputBuffer in(input, capacity);
    std::vector<std::uint8_t> buffer;
    EXPECT_EQ(in.read_block_at(0, std::size_t{1} << 31, buffer), 100U) << capacity;
    EXPECT_LT(buffer.size(), std::size_t{1} << 20) << capacity;
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 100), Bytes(100, 0xAB));
    EXPECT_TRUE(in.exhausted()) << capacity;
  }
}

TEST(BufferedOutput, WritesEverythingInOrder) {
  for (const std::size_t capacity : {1U, 7U, 16U, 64U}) {
    SCOPED_TRACE("capacity " + std::to_string(capacity));
    Bytes written;
    OutputBuffer out(written, capacity);
    Bytes expected;
    for (const std::size_t size : {0U, 1U, 6U, 7U, 8U, 63U, 64U, 65U, 200U}) {
      Bytes chunk(size);
      for (std::size_t i = 0; i < size; ++i) chunk[i] = static_cast<std::uint8_t>(i * 7 + size);
      ASSERT_TRUE(out.write(chunk));
      expected.insert(expected.end(), chunk.begin(), chunk.end());
      ASSERT_TRUE(emit_command("(s", static_cast<int>(size), 'W', out));
      ASSERT_TRUE(emit_command("*c", INT_MIN, 'E', out));  // the longest command
      const Bytes commands = text("\x1b(s" + std::to_string(size) + "W\x1b*c-2147483648E");
      expected.insert(expected.end(), commands.begin(), commands.end());
    }
    ASSERT_TRUE(out.flush());
    EXPECT_EQ(written, expected);
  }
}

TEST(BufferedOutput, HandsOnOnlyWholeBuffers) {
  constexpr std::size_t kCapacity = 64;
  Bytes written;
  OutputBuffer out(written, kCapacity);
  // Commands, blocks that straddle the buffer's end, one of several whole
  // buffers and one started part-way: until the last flush, every write has
  // started and ended on a multiple of the capacity.
  for (const std::size_t size : {5U, 250U, 17U, 64U, 300U, 1U, 129U}) {
    ASSERT_TRUE(emit_command("*c", 19968, 'E', out));
    ASSERT_TRUE(out.write(Bytes(size, 0x5A)));
    EXPECT_EQ(written.size() % kCapacity, 0U) << size;
  }
  ASSERT_TRUE(out.flush());
  EXPECT_GT(written.size() % kCapacity, 0U);
}

TEST(BufferedOutput, RemembersAFailedWrite) {
  for (const std::size_t chunk_size : {10U, 200U}) {
    std::FILE* full = std::fopen("/dev/full", "wb");
    if (full == nullptr) GTEST_SKIP() << "no /dev/full";
    OutputBuffer out(full, 64);
    const Bytes chunk(chunk_size, 'x');
    bool written = true;
    for (int i = 0; i < 10000 && written; ++i) written = out.write(chunk);
    EXPECT_FALSE(written) << chunk_size;
    EXPECT_TRUE(out.failed());
    EXPECT_FALSE(out.flush());
    EXPECT_FALSE(out.write(Bytes{1}));
    EXPECT_FALSE(emit_command("*c", 65, 'E', out));
    std::fclose(full);
  }
}

TEST(BufferedPrinting, KeepsTheOrderOfEveryKindOfText) {
  testsupport::CapturedMessages capture;
  MessageSink& sink = capture.sink();
  print_text(sink, "start ");
  print_text(sink, "min=", INT_MIN, ";");
  print_character_progress(sink, 65, "found.");
  print_text(sink, "zero=", 0, "\n");
  print_character_progress(sink, INT_MIN, "cleaned.");
  print_character_progress(sink, INT_MIN, "landscaped.");
  print_text(sink, "", INT_MAX, "");
  print_character_progress(sink, INT_MAX, "landscaped.");
  EXPECT_EQ(capture.text(),
            "start min=-2147483648;Character code 65 found.\nzero=0\n"
            "Character code -2147483648 cleaned.\nCharacter code -2147483648 landscaped.\n"
            "2147483647Character code 2147483647 landscaped.\n");
}

TEST(BufferedPrinting, ArrivesCompleteWhenTheBufferFillsMidway) {
  testsupport::CapturedMessages capture;
  std::string expected;
  for (int i = 0; i < 6000; ++i) {
    print_text(capture.sink(), "line ", i, "\n");
    print_character_progress(capture.sink(), i, "found.");
    expected += "line " + std::to_string(i) + "\nCharacter code " + std::to_string(i) + " found.\n";
  }
  ASSERT_GT(expected.size(), InputBuffer::kDefaultCapacity * 2);
  EXPECT_EQ(capture.text(), expected);
}

}  // namespace
}  // namespace kestrune
