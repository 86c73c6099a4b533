#pragma once
// Polled key states, by the game's virtual key codes (the Windows VK numbering the game's
// bindings are written in: 13 Enter, 27 Escape, 37-40 arrows, 65-90 letters, ...).

class IKeyboard {
public:
    virtual ~IKeyboard() = default;
    virtual bool IsKeyDown(int virtualKey) const = 0;
};
