#pragma once
// Windows-1251, the single-byte Cyrillic code page of every file the program writes or reads and
// of the comment registers of the devices. Inside the program text is UTF-8; these two functions
// convert at the boundary.

#include <string>
#include <string_view>

namespace drumo {

// UTF-8 to Windows-1251. A character with no Windows-1251 form, and every byte of a malformed
// UTF-8 sequence, becomes "?".
std::string Utf8ToCp1251(std::string_view utf8);

// Windows-1251 to UTF-8. Every byte has a form (the one unassigned byte 0x98 becomes U+0098), so
// Cp1251ToUtf8 followed by Utf8ToCp1251 gives back the same bytes.
std::string Cp1251ToUtf8(std::string_view cp1251);

// The UTF-8 form of one Windows-1251 byte (one to three bytes), for a conversion that does more
// with each byte on the way.
std::string_view Cp1251ByteToUtf8(unsigned char byte);

}  // namespace drumo
