#pragma once
// The game's own 32-symbol text encoding. Every line of Config.cfg and the result record sent to
// the score server are written with it: any 8-bit text becomes capital letters and digits that
// need no escaping in a file line or a web query.

#include <string>
#include <string_view>

// The symbols, value 0 first: capital letters without I, O and Z, then the digits 1 to 9.
inline constexpr std::string_view kCodecAlphabet = "ABCDEFGHJKLMNPQRSTUVWXY123456789";

// Each byte gives 8 bits, most significant first; zero bits are put in front until the count is a
// multiple of 5; each group of 5 becomes one symbol. "abc" -> "GC2VD". Never fails.
std::string EncodeText(std::string_view text);

// Each symbol gives its 5 bits; characters outside the alphabet are skipped; zero bits are put in
// front until the count is a multiple of 8; each group of 8 becomes one byte. "GC2VD" -> "\0abc".
// A text whose length is a multiple of 5 survives EncodeText then DecodeText unchanged; any other
// text comes back with one extra byte 0 in front, which is why callers fill up to a multiple of 5.
std::string DecodeText(std::string_view symbols);
