#pragma once

#include <string>
#include <string_view>

namespace quorvex {

// Records are read as code page 1252 bytes; the error log stores UTF-8.

// UTF-8 text of code page 1252 bytes. Returns `bytes` unchanged when all are ASCII.
std::string Cp1252ToUtf8(std::string_view bytes);
// Code page 1252 bytes of UTF-8 text; characters outside the code page become '?', and so
// does each byte that is not part of a well-formed sequence (the bytes after it are kept).
std::string Utf8ToCp1252(std::string_view utf8);
// The text with each byte that is not part of a well-formed UTF-8 sequence replaced by
// U+FFFD: a file name of the system, which may be any bytes, made fit to store and show.
std::string ValidUtf8(std::string_view bytes);
// The character of the UTF-8 text at `i`, moving `i` past it; U+FFFD for a byte that does
// not begin a well-formed sequence (`i` then moves by one byte).
char32_t NextCodePoint(std::string_view utf8, std::size_t& i);
// The character of one code page 1252 byte. The five bytes the code page leaves undefined
// are the control characters of the same value.
char32_t Cp1252CodePoint(unsigned char byte);
// The byte of a character; '?' for a character outside the code page.
char Cp1252Byte(char32_t character);

// True when every byte is below 128.
bool IsAscii(std::string_view bytes);

// Upper-cases code page 1252 text in place, as the record checks expect: a-z and the
// accented small letters of the code page (à-þ except ÷, š, œ, ž, ÿ).
void UpperCase1252(char* first, char* last);

}  // namespace quorvex
