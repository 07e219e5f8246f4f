#include "base/basic_text.h"

#include <algorithm>
#include <limits>

namespace tervalo {

std::string_view Mid(std::string_view text, int64_t start, int64_t length) {
  if (start < 1 || length <= 0 || start > static_cast<int64_t>(text.size())) return {};
  const auto offset = static_cast<size_t>(start - 1);
  return text.substr(offset, static_cast<size_t>(std::min<int64_t>(length, text.size() - offset)));
}

std::string_view Mid(std::string_view text, int64_t start) {
  return Mid(text, start, std::numeric_limits<int64_t>::max());
}

std::string_view Left(std::string_view text, int64_t length) { return Mid(text, 1, length); }

std::string_view Right(std::string_view text, int64_t length) {
  if (length <= 0) return {};
  const auto n = static_cast<size_t>(std::min<int64_t>(length, text.size()));
  return text.substr(text.size() - n);
}

int64_t Val(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  constexpr int64_t kLimit = std::numeric_limits<int64_t>::max() / 10 - 9;
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value < kLimit) value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = UpperAscii(c);
  return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::string HexBytes(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) out.push_back(' ');
    const auto b = static_cast<unsigned char>(bytes[i]);
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

std::string EscapeBytes(std::string_view text, bool (*escaped)(unsigned char byte)) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    if (escaped(byte)) {
      out += "\\x";
      out.push_back(kDigits[byte >> 4]);
      out.push_back(kDigits[byte & 0xF]);
    } else {
      out.push_back(ch);
    }
  }
  return out;
}

std::string EscapeControlBytes(std::string_view text) {
  return EscapeBytes(text, [](unsigned char byte) { return (byte < 32 && byte != '\t' && byte != '\n') || byte == 127; });
}

}  // namespace tervalo
