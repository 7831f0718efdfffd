#include "jet/TextCodec.h"

#include "jet/Bytes.h"

namespace ipmdb::jet {
namespace {

// The compressed form with two-byte runs, for a text that starts with U+FEFF: one-byte runs for
// U+0001..U+00FF, two-byte runs for the rest, a 0x00 before every change of run; the first run
// is a one-byte run, so the value starts FF FE 00 FF FE. Writes to `out` unless it is null;
// returns the size either way.
size_t WriteMixedForm(std::u16string_view text, uint8_t* out) {
  if (out) {
    out[0] = kCompressedTextMarker0;
    out[1] = kCompressedTextMarker1;
  }
  size_t at = kCompressedTextMarkerSize;
  bool oneByte = true;
  for (const char16_t c : text) {
    const bool fits = c <= 0xFF;
    if (fits != oneByte) {
      if (out) out[at] = 0;
      ++at;
      oneByte = fits;
    }
    if (fits) {
      if (out) out[at] = uint8_t(c);
      ++at;
    } else {
      if (out) PutU16(out + at, uint16_t(c));
      at += 2;
    }
  }
  return at;
}

}  // namespace

std::optional<char16_t> UnstorableCharacter(std::u16string_view text) {
  if (!StartsWithByteOrderMark(text)) return std::nullopt;
  for (const char16_t c : text)
    if ((c & 0xFF) == 0) return c;
  return std::nullopt;
}

bool IsCompressibleText(std::u16string_view text) {
  if (text.size() <= kCompressedTextMarkerSize) return false;
  for (char16_t c : text)
    if (c == 0 || c > 0xFF) return false;
  return true;
}

size_t EncodedTextSize(std::u16string_view text, bool compressionAllowed) {
  if (StartsWithByteOrderMark(text)) return WriteMixedForm(text, nullptr);
  if (compressionAllowed && IsCompressibleText(text)) return kCompressedTextMarkerSize + text.size();
  return 2 * text.size();
}

size_t EncodeText(std::u16string_view text, bool compressionAllowed, uint8_t* out) {
  if (StartsWithByteOrderMark(text)) return WriteMixedForm(text, out);
  // One pass decides and writes: the one-byte form is written while every character fits, and
  // abandoned for the UTF-16 form at the first one that does not.
  if (compressionAllowed && text.size() > kCompressedTextMarkerSize) {
    size_t i = 0;
    for (; i < text.size(); ++i) {
      const char16_t c = text[i];
      if (c == 0 || c > 0xFF) break;
      out[kCompressedTextMarkerSize + i] = uint8_t(c);
    }
    if (i == text.size()) {
      out[0] = kCompressedTextMarker0;
      out[1] = kCompressedTextMarker1;
      return kCompressedTextMarkerSize + text.size();
    }
  }
  for (size_t i = 0; i < text.size(); ++i) PutU16(out + 2 * i, uint16_t(text[i]));
  return 2 * text.size();
}

std::u16string DecodeText(std::span<const uint8_t> stored) {
  std::u16string text;
  if (stored.size() >= kCompressedTextMarkerSize && stored[0] == kCompressedTextMarker0 &&
      stored[1] == kCompressedTextMarker1) {
    bool oneByte = true;
    size_t i = kCompressedTextMarkerSize;
    while (i < stored.size()) {
      if (stored[i] == 0) {
        oneByte = !oneByte;
        ++i;
      } else if (oneByte) {
        text.push_back(char16_t(stored[i]));
        ++i;
      } else {
        if (i + 1 >= stored.size()) break;
        text.push_back(char16_t(GetU16(&stored[i])));
        i += 2;
      }
    }
    return text;
  }
  text.reserve(stored.size() / 2);
  for (size_t i = 0; i + 1 < stored.size(); i += 2) text.push_back(char16_t(GetU16(&stored[i])));
  return text;
}

}  // namespace ipmdb::jet
