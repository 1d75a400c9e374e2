// Debug console lines: the program's formats carry one "%d" (a number) or one "%S" (a wide
// text). Formatting is done here, without the C runtime's printf, so a console opened long
// after start-up still receives every line and texts in any script print as they are.
#pragma once

#include <cstddef>
#include <cstdint>

// Writes the formatted line into `out` (always terminated, cut to fit); returns its length.
std::size_t formatDebugLine(wchar_t* out, std::size_t capacity, const char* format,
                            std::int32_t value);
std::size_t formatDebugLine(wchar_t* out, std::size_t capacity, const char* format,
                            const wchar_t* text);
