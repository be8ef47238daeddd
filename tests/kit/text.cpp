#include "tests/kit/text.h"

#include <algorithm>
#include <cstdio>

namespace kit {

std::string Folded(std::string_view text) {
  std::string folded(text);
  std::transform(folded.begin(), folded.end(), folded.begin(), FoldLetter);
  return folded;
}

std::u16string WideFromBytes(std::string_view bytes) {
  std::u16string wide;
  wide.reserve(bytes.size());
  for (char c : bytes) wide += CharOfByte(static_cast<unsigned char>(c));
  return wide;
}

std::vector<std::string> SplitTerms(std::string_view filter) {
  std::vector<std::string> terms;
  for (std::size_t end = filter.find(';'); end != std::string_view::npos; end = filter.find(';')) {
    terms.emplace_back(filter.substr(0, end));
    filter.remove_prefix(end + 1);
  }
  return terms;
}

std::string Printable(std::u16string_view text, std::size_t most) {
  std::string out = "u\"";
  for (std::size_t i = 0; i < text.size() && i < most; ++i) {
    const char16_t unit = text[i];
    if (unit == u'"' || unit == u'\\') {
      out += '\\';
      out += static_cast<char>(unit);
    } else if (unit >= 0x20 && unit < 0x7F) {
      out += static_cast<char>(unit);
    } else if (unit == 0) {
      out += "\\0";
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%04X", static_cast<unsigned>(unit));
      out += escape;
    }
  }
  out += '"';
  if (text.size() > most) out += "... (" + std::to_string(text.size()) + " units)";
  return out;
}

}  // namespace kit
