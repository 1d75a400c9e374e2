// Conversions between file bytes and wide text, the same whatever the width of wchar_t.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>

// Decodes UTF-8; nullopt when the bytes are not valid UTF-8.
std::optional<std::wstring> decodeUtf8(const std::string& bytes);
std::string encodeUtf8(const std::wstring& text);
// UTF-16LE without BOM; an odd trailing byte is dropped, unpaired surrogates kept as they are.
std::wstring decodeUtf16le(const std::string& bytes);
std::string encodeUtf16le(const std::wstring& text);

bool hasUtf16leBom(const std::string& bytes);
bool hasUtf8Bom(const std::string& bytes);

// The whole of an open file, closing it; nullopt on a read error or past `limit` bytes.
std::optional<std::string> readAndClose(std::FILE* file, std::size_t limit);
// Writes all of `bytes` and closes the file; false when either failed.
bool writeAndClose(std::FILE* file, const std::string& bytes);

// File access by wide path. Reads fail (nullopt) for a missing file or one above `limit` bytes.
std::optional<std::string> readFileBytes(const std::wstring& path, std::size_t limit);
bool writeFileBytes(const std::wstring& path, const std::string& bytes);
bool fileExists(const std::wstring& path);
bool isReadOnlyFile(const std::wstring& path);
// Text in the system's ANSI code page, read as the profile functions read it (bytes the code
// page lacks become what the system makes of them); nullopt where there is no such code page.
std::optional<std::wstring> decodeAnsiCodePage(const std::string& bytes);

// Settings files above this size are not read and never rewritten by us.
constexpr std::size_t kMaxSettingsFileBytes = 64u * 1024u * 1024u;
