#pragma once
// The pieces of JSON the simulator writes by hand: strings escaped and numbers printed the same way
// in the state file and the trace, so two runs compare as text.

#include <string>

// The text in quotes: quote, backslash and control characters escaped, and every byte from 0x80
// on as \u00XX (the game's texts are single-byte).
std::string JsonString(const std::string& text);

// A number as JSON: integers without a fraction, others with enough digits to compare.
std::string Num(double value);
