// Conversions between the byte forms of text files and the UTF-8 strings used everywhere in the program.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace trov {

// Decodes one code point of s at i and advances i. Malformed bytes decode as the Latin-1 character
// of the byte (one byte consumed), so every byte string has a meaning and decoding never fails.
uint32_t NextCodePoint(std::string_view s, size_t& i);

// Appends the UTF-8 form of a code point. Surrogates and values above U+10FFFF become U+FFFD.
void AppendUtf8(std::string& out, uint32_t codePoint);

// True when s is well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view s);

// True when s is well-formed UTF-8 and holds at least one multi-byte sequence.
bool IsUtf8WithMultibyte(std::string_view s);

// True when somewhere in s, well-formed or not as a whole, Utf8OrLatin1ToUtf8 would take several
// bytes as one character: then s does not read back as its Latin-1 characters.
bool HoldsUtf8Sequence(std::string_view s);

// Each byte is the character of the same code (ISO 8859-1).
std::string Latin1ToUtf8(std::string_view bytes);

// Text of unknown 8-bit form: every well-formed UTF-8 multi-byte sequence is that character, every
// other byte its Latin-1 character. A Latin-1 file with a UTF-8 line appended keeps both parts.
std::string Utf8OrLatin1ToUtf8(std::string_view bytes);

// True when every character of the UTF-8 text (malformed bytes decoded as above) is at most U+00FF.
bool FitsLatin1(std::string_view text);

// The Latin-1 bytes of text; characters above U+00FF keep only their low byte (callers check FitsLatin1).
std::string Utf8ToLatin1(std::string_view text);

// The UTF-16 code units of text, little- or big-endian, without a byte order mark.
std::string Utf8ToUtf16Bytes(std::string_view text, bool bigEndian);

// Lower-cases ASCII letters only (switches, file extensions).
std::string AsciiLower(std::string_view s);

}  // namespace trov
