// Conversion between GBK bytes (Microsoft code page 936) and Unicode, independent of the
// system locale and the same on every system. The decoding follows the pair table compiled into
// the program (GbkTable.h, glibc's iconv "GBK" converter), plus the single byte 0x80 as U+20AC
// like code page 936.
//
// Decoding never stops and never fails on its input: a byte or pair that is not GBK becomes
// U+FFFD. A lead byte (0x81 to 0xFE) whose pair is not GBK yields one U+FFFD; its second byte is
// taken with it unless it is ASCII, so an invalid lead byte never swallows a quote or a comma.
// A lead byte at the very end of the text yields U+FFFD.
//
// All functions append to `out` and keep what it held. Any thread may call them.
#pragma once

#include <string>
#include <string_view>

namespace ipmdb::engine {

void GbkToUtf16(std::string_view gbk, std::u16string& out);
// GbkToUtf16 for a text that comes in pieces: decodes the piece, except a lead byte at its very
// end when more is to come (`last` false), whose second byte is then still missing. Returns how
// many bytes it decoded; the rest goes in front of the next piece.
size_t GbkToUtf16Piece(std::string_view gbk, bool last, std::u16string& out);
void GbkToUtf8(std::string_view gbk, std::string& out);

// Characters that GBK cannot hold become '?', and so does each malformed UTF-8 sequence together
// with the continuation bytes that follow it.
void Utf8ToGbk(std::string_view utf8, std::string& out);

}  // namespace ipmdb::engine
