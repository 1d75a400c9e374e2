#include "common/text.h"

#include <cstdint>

namespace {

void appendCodePoint(std::wstring& out, std::uint32_t cp) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
      return;
    }
  }
  out.push_back(static_cast<wchar_t>(cp));
}

// Walks wide text as code points; with 16-bit wchar_t surrogate pairs are joined.
template <typename Fn>
void forEachCodePoint(const std::wstring& text, Fn fn) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t cp = static_cast<std::uint32_t>(text[i]);
    if constexpr (sizeof(wchar_t) == 2) {
      cp &= 0xFFFF;
      if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size()) {
        std::uint32_t low = static_cast<std::uint32_t>(text[i + 1]) & 0xFFFF;
        if (low >= 0xDC00 && low < 0xE000) {
          cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          ++i;
        }
      }
    }
    fn(cp);
  }
}

}  // namespace

std::optional<std::wstring> decodeUtf8(const std::string& bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    std::uint32_t cp;
    std::size_t extra;
    if (b0 < 0x80) {
      cp = b0;
      extra = 0;
    } else if (b0 >= 0xC2 && b0 < 0xE0) {
      cp = b0 & 0x1F;
      extra = 1;
    } else if (b0 >= 0xE0 && b0 < 0xF0) {
      cp = b0 & 0x0F;
      extra = 2;
    } else if (b0 >= 0xF0 && b0 < 0xF5) {
      cp = b0 & 0x07;
      extra = 3;
    } else {
      return std::nullopt;
    }
    if (i + extra >= bytes.size() && extra > 0) return std::nullopt;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto b = static_cast<unsigned char>(bytes[i + k]);
      if ((b & 0xC0) != 0x80) return std::nullopt;
      cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp < 0xE000)) {
      return std::nullopt;
    }
    appendCodePoint(out, cp);
    i += extra + 1;
  }
  return out;
}

std::string encodeUtf8(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  forEachCodePoint(text, [&](std::uint32_t cp) {
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  });
  return out;
}

std::wstring decodeUtf16le(const std::string& bytes) {
  std::wstring out;
  out.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    std::uint32_t unit =
        static_cast<unsigned char>(bytes[i]) |
        (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8);
    if constexpr (sizeof(wchar_t) == 4) {
      if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
        std::uint32_t low =
            static_cast<unsigned char>(bytes[i + 2]) |
            (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 3])) << 8);
        if (low >= 0xDC00 && low < 0xE000) {
          unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
          i += 2;
        }
      }
    }
    out.push_back(static_cast<wchar_t>(unit));
  }
  return out;
}

std::string encodeUtf16le(const std::wstring& text) {
  std::string out;
  out.reserve(text.size() * 2);
  auto unit = [&](std::uint32_t u) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>((u >> 8) & 0xFF));
  };
  forEachCodePoint(text, [&](std::uint32_t cp) {
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      cp -= 0x10000;
      unit(0xD800 + (cp >> 10));
      unit(0xDC00 + (cp & 0x3FF));
    } else {
      unit(cp & 0xFFFF);
    }
  });
  return out;
}

bool hasUtf16leBom(const std::string& bytes) {
  return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
         static_cast<unsigned char>(bytes[1]) == 0xFE;
}

bool hasUtf8Bom(const std::string& bytes) {
  return bytes.rfind("\xEF\xBB\xBF", 0) == 0;
}
