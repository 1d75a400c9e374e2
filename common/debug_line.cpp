#include "common/debug_line.h"

namespace {

class LineWriter {
 public:
  LineWriter(wchar_t* out, std::size_t capacity) : out_(out), capacity_(capacity) {
    if (capacity_ > 0) out_[0] = L'\0';
  }
  void put(wchar_t c) {
    if (length_ + 1 < capacity_) {
      out_[length_++] = c;
      out_[length_] = L'\0';
    }
  }
  std::size_t length() const { return length_; }

 private:
  wchar_t* out_;
  std::size_t capacity_;
  std::size_t length_ = 0;
};

template <typename Argument>
std::size_t format(wchar_t* out, std::size_t capacity, const char* format, char marker,
                   Argument emit) {
  LineWriter writer(out, capacity);
  for (const char* p = format; *p; ++p) {
    if (p[0] == '%' && p[1] == marker) {
      emit(writer);
      ++p;
    } else {
      writer.put(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
    }
  }
  return writer.length();
}

}  // namespace

std::size_t formatDebugLine(wchar_t* out, std::size_t capacity, const char* fmt,
                            std::int32_t value) {
  return format(out, capacity, fmt, 'd', [value](LineWriter& w) {
    wchar_t digits[12];
    int n = 0;
    // Unsigned magnitude: the most negative value has no positive counterpart.
    std::uint32_t magnitude =
        value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    do {
      digits[n++] = static_cast<wchar_t>(L'0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) w.put(L'-');
    while (n > 0) w.put(digits[--n]);
  });
}

std::size_t formatDebugLine(wchar_t* out, std::size_t capacity, const char* fmt,
                            const wchar_t* text) {
  return format(out, capacity, fmt, 'S', [text](LineWriter& w) {
    for (const wchar_t* t = text ? text : L"(null)"; *t; ++t) w.put(*t);
  });
}
