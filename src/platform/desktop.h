#pragma once
// The desktop's "open": hands an address to whatever the desktop opens it with (the browser for
// a web page, the mail program for mailto:). Returns at once; whether it worked is not known.

#include <string>

class IDesktop {
public:
    virtual ~IDesktop() = default;
    virtual void OpenUrl(const std::string& url) = 0;
};
