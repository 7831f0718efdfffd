// Text values as Jet 4 stores them: UTF-16LE, or "Unicode compression": a FF FE marker, then one
// byte per character, a 0x00 byte switching between one-byte and two-byte (UTF-16LE) runs.
//
// Every reader (Jet, mdbtools, mdb-reader, Jackcess) takes a value that begins with FF FE for the
// compressed form, whatever the column's flag says. A text whose first character is U+FEFF would
// begin so in UTF-16LE; it is therefore always written in the compressed form, switching to
// two-byte runs for the characters above U+00FF. In that form a 0x00 byte switches modes, so a
// character whose low byte is 0 (U+0000, U+0100, ..., U+FF00) cannot stand in it: such a text
// has no stored form that reads back as written (see UnstorableCharacter).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ipmdb::jet {

inline constexpr uint8_t kCompressedTextMarker0 = 0xFF;
inline constexpr uint8_t kCompressedTextMarker1 = 0xFE;
inline constexpr size_t kCompressedTextMarkerSize = 2;

// True when the engine stores this text compressed in a column that allows compression: every
// character in U+0001..U+00FF and more than two of them (shorter texts would not get smaller).
// Access never writes the mixed one-byte/two-byte form for such a text, so neither do we; only a
// text that starts with U+FEFF gets it, in any column.
bool IsCompressibleText(std::u16string_view text);

// The stored size of the text in a column with or without the compression flag.
size_t EncodedTextSize(std::u16string_view text, bool compressionAllowed);

// The character that U+FEFF would turn into the marker when it comes first.
inline constexpr char16_t kByteOrderMark = u'\uFEFF';
inline bool StartsWithByteOrderMark(std::u16string_view text) { return !text.empty() && text[0] == kByteOrderMark; }

// The first character that keeps the text from being stored exactly, or nullopt when it can be:
// only a text that starts with U+FEFF can have one, a character whose low byte is 0.
std::optional<char16_t> UnstorableCharacter(std::u16string_view text);

// Writes the stored form; `out` must have room for EncodedTextSize bytes, or for
// MaxEncodedTextSize(text) when the size is not known yet. Returns bytes written. Requires that
// UnstorableCharacter(text) is nullopt.
inline size_t MaxEncodedTextSize(std::u16string_view text) {
  // A switch before every character of a text that starts with U+FEFF, at most.
  return (StartsWithByteOrderMark(text) ? 3 : 2) * text.size() + kCompressedTextMarkerSize;
}
size_t EncodeText(std::u16string_view text, bool compressionAllowed, uint8_t* out);

// Reads a stored text value of either form. Never fails: a trailing odd byte of an uncompressed
// value is ignored.
std::u16string DecodeText(std::span<const uint8_t> stored);

}  // namespace ipmdb::jet
