// Whole files read and written by wide path: one implementation per platform
// (file_access_win32.cpp, file_access_posix.cpp), chosen by the build.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>

// Reads fail (nullopt) for a missing file or one above `limit` bytes.
std::optional<std::string> readFileBytes(const std::wstring& path, std::size_t limit);
bool writeFileBytes(const std::wstring& path, const std::string& bytes);
bool fileExists(const std::wstring& path);
bool isReadOnlyFile(const std::wstring& path);
// Text in the system's ANSI code page, read as the profile functions read it (bytes the code
// page lacks become what the system makes of them); nullopt where there is no such code page.
std::optional<std::wstring> decodeAnsiCodePage(const std::string& bytes);

// For the platforms' implementations, over an open C file.
// The whole of an open file, closing it; nullopt on a read error or past `limit` bytes.
std::optional<std::string> readAndClose(std::FILE* file, std::size_t limit);
// Writes all of `bytes` and closes the file; false when either failed.
bool writeAndClose(std::FILE* file, const std::string& bytes);
