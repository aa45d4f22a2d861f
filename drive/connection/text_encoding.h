// Between the UTF-16 texts of the catalogue library and the UTF-8 the rest
// of the program uses.
#pragma once

#include <string>
#include <string_view>

namespace tarvex {

// Unpaired surrogates become U+FFFD, so a damaged text never yields invalid UTF-8.
std::string utf8FromUtf16(std::u16string_view text);
// Malformed sequences become U+FFFD.
std::u16string utf16FromUtf8(std::string_view text);

} // namespace tarvex
