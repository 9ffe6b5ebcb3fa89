#include "bytes/messages.h"

#include <charconv>
#include <cstring>

#include "pcl/decimal.h"
#include "platform/files.h"

namespace kestrune {

MessageSink::MessageSink(std::FILE* stream) : text(stream), at_once(is_terminal(stream)) {}

MessageSink::MessageSink(std::vector<std::uint8_t>& memory) : text(memory) {}

void print_text(MessageSink& sink, std::string_view text) {
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
  constexpr std::size_t kLongestWhat = 32;
  what = what.substr(0, kLongestWhat);
  char line[kLead.size() + kLongestDecimal + 1 + kLongestWhat + 1];
  std::memcpy(line, kLead.data(), kLead.size());
  char* at = write_decimal(line + kLead.size(), code);
  *at++ = ' ';
  std::memcpy(at, what.data(), what.size());
  at += what.size();
  *at++ = '\n';
  print_text(sink, std::string_view(line, static_cast<std::size_t>(at - line)));
}

void flush_messages(MessageSink& sink) {
  flush_output(sink.text);
  if (sink.text.file() != nullptr) std::fflush(sink.text.file());
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
