#pragma once
// Every failure the game reports is a GameError carrying the game's own message text.
// Frames and event handlers catch it at their boundary, report it and go on.

#include <cstdarg>
#include <stdexcept>
#include <string>

class GameError : public std::runtime_error {
public:
    explicit GameError(const std::string& message) : std::runtime_error(message) {}
};

// Builds a message from one of the game's printf-style texts ("Image '%s' not found").
std::string FormatMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
