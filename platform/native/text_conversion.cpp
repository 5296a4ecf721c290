#include "platform/text_conversion.h"

// The native build uses UTF-8 as its narrow encoding. Ill-formed input never
// fails: bad bytes become U+FFFD, unencodable code points become '?'.

std::string WideToNarrow(const std::wstring& wide) {
  std::string out;
  out.reserve(wide.size());
  for (wchar_t wc : wide) {
    const unsigned long c = static_cast<unsigned long>(wc);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      out += '?';
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c <= 0x10FFFF) {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += '?';
    }
  }
  return out;
}

std::wstring NarrowToWide(const std::string& narrow) {
  std::wstring out;
  out.reserve(narrow.size());
  const std::size_t n = narrow.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned char b = static_cast<unsigned char>(narrow[i]);
    unsigned long c = 0;
    std::size_t extra = 0;
    unsigned long min = 0;
    if (b < 0x80) {
      out += static_cast<wchar_t>(b);
      ++i;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      c = b & 0x1F, extra = 1, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      c = b & 0x0F, extra = 2, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      c = b & 0x07, extra = 3, min = 0x10000;
    } else {
      out += L'\uFFFD';
      ++i;
      continue;
    }
    std::size_t k = 1;
    for (; k <= extra && i + k < n; ++k) {
      const unsigned char t = static_cast<unsigned char>(narrow[i + k]);
      if ((t & 0xC0) != 0x80) break;
      c = (c << 6) | (t & 0x3F);
    }
    if (k != extra + 1 || c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out += L'\uFFFD';
      i += k; // skip the lead byte and the continuation bytes seen
      continue;
    }
    out += static_cast<wchar_t>(c);
    i += k;
  }
  return out;
}
