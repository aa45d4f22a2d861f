// UTF-8 <-> UTF-16 conversion for catalogue texts and file paths.
//
// SQLite hands out text as UTF-8 while the catalogue records carry UTF-16
// (the Korean edition must survive intact). Malformed input never stops a
// conversion: each broken UTF-8 sequence becomes one U+FFFD, so a damaged
// cell still yields a readable text of bounded length.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vq::text {

inline constexpr char16_t kReplacementCharacter = u'\uFFFD';

// Decodes UTF-8; overlong forms, surrogate code points, values above
// U+10FFFF and truncated sequences each become U+FFFD.
std::u16string utf8ToUtf16(std::string_view utf8);

// Encodes UTF-16; an unpaired surrogate has no UTF-8 form, so the result
// is empty then (a path with one cannot name a file).
std::optional<std::string> utf16ToUtf8(std::u16string_view utf16);

// True when the bytes are well-formed UTF-8 (used to vet catalogue sources).
bool isValidUtf8(std::string_view utf8);

} // namespace vq::text
