// Conversions between file bytes and wide text, the same whatever the width of wchar_t.
#pragma once

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
