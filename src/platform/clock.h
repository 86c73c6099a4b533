#pragma once
// The millisecond clock every timer of the game runs on (a virtual one in vandrax-sim).

#include <cstdint>

class IClock {
public:
    virtual ~IClock() = default;
    virtual uint64_t Milliseconds() const = 0;
};
