#include "bytes/messages.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "platform/files.h"

namespace kestrune {

MessageSink::MessageSink(std::FILE* stream) : text(stream), at_once(is_terminal(stream)) {}

MessageSink::MessageSink(std::vector<std::uint8_t>& memory) : text(memory) {}

void print_text(MessageSink& sink, std::string_view text) {
  // A failure to print is not the font's failure: it is not reported, and
  // later text is tried again.
  sink.text.failed = false;
  write_bytes(sink.text,
              std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  if (sink.at_once) flush_messages(sink);
}

void print_text(MessageSink& sink, std::string_view before, std::int64_t number,
                std::string_view after) {
  char digits[20];  // at most 20 characters, sign included
  const char* end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  print_text(sink, before);
  print_text(sink, std::string_view(digits, static_cast<std::size_t>(end - digits)));
  print_text(sink, after);
}

void print_character_progress(MessageSink& sink, int code, std::string_view what) {
  constexpr std::string_view kLead = "Character code ";
  constexpr std::size_t kLongestCode = 11;  // sign included
  constexpr std::size_t kLongestWhat = 32;
  what = what.substr(0, kLongestWhat);
  std::uint8_t spare[kLead.size() + kLongestCode + 1 + kLongestWhat + 1];
  sink.text.failed = false;  // as in print_text
  write_built(sink.text, spare, sizeof spare, [&](std::uint8_t* bytes) {
    char* const line = reinterpret_cast<char*>(bytes);
    char* at = std::copy(kLead.begin(), kLead.end(), line);
    at = std::to_chars(at, at + kLongestCode, code).ptr;
    *at++ = ' ';
    at = std::copy(what.begin(), what.end(), at);
    *at++ = '\n';
    return static_cast<std::size_t>(at - line);
  });
  if (sink.at_once) flush_messages(sink);
}

void flush_messages(MessageSink& sink) {
  flush_output(sink.text);
  if (sink.text.file != nullptr) std::fflush(sink.text.file);
}

void report_read_error(MessageSink& sink) {
  print_text(sink, "Error: Could not read input file.\n");
}

void report_system_reason(MessageSink& sink, int error) {
  if (error == 0) return;
  print_text(sink, "Warning: The system's reason: ");
  print_text(sink, std::strerror(error));
  print_text(sink, ".\n");
}

void report_write_error(MessageSink& sink, int error) {
  report_system_reason(sink, error);
  print_text(sink, "Error: Could not write output file.\n");
}

}  // namespace kestrune
