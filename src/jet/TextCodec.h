// Text values as Jet 4 stores them: UTF-16LE, or "Unicode compression": a FF FE marker, then one
// byte per character, a 0x00 byte switching between one-byte and two-byte (UTF-16LE) runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ipmdb::jet {

inline constexpr uint8_t kCompressedTextMarker0 = 0xFF;
inline constexpr uint8_t kCompressedTextMarker1 = 0xFE;
inline constexpr size_t kCompressedTextMarkerSize = 2;

// True when the engine stores this text compressed in a column that allows compression: every
// character in U+0001..U+00FF and more than two of them (shorter texts would not get smaller).
// Access never writes the mixed one-byte/two-byte form, so neither do we.
bool IsCompressibleText(std::u16string_view text);

// The stored size of the text in a column with or without the compression flag.
size_t EncodedTextSize(std::u16string_view text, bool compressionAllowed);

// Writes the stored form; `out` must have room for EncodedTextSize bytes, or for
// MaxEncodedTextSize(text) when the size is not known yet. Returns bytes written.
inline size_t MaxEncodedTextSize(std::u16string_view text) { return 2 * text.size() + kCompressedTextMarkerSize; }
size_t EncodeText(std::u16string_view text, bool compressionAllowed, uint8_t* out);

// Reads a stored text value of either form. Never fails: a trailing odd byte of an uncompressed
// value is ignored.
std::u16string DecodeText(std::span<const uint8_t> stored);

}  // namespace ipmdb::jet
