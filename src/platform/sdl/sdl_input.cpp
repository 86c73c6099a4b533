#include "platform/sdl/sdl_input.h"

#include "base/input.h"

namespace {

struct KeyPair {
    int vk;
    SDL_Keycode key;
};

constexpr KeyPair kKeys[] = {
    {8, SDLK_BACKSPACE},   {9, SDLK_TAB},           {13, SDLK_RETURN},     {13, SDLK_KP_ENTER},
    {16, SDLK_LSHIFT},     {16, SDLK_RSHIFT},       {17, SDLK_LCTRL},      {17, SDLK_RCTRL},
    {18, SDLK_LALT},       {18, SDLK_RALT},         {19, SDLK_PAUSE},      {27, SDLK_ESCAPE},
    {32, SDLK_SPACE},      {33, SDLK_PAGEUP},       {34, SDLK_PAGEDOWN},   {35, SDLK_END},
    {36, SDLK_HOME},       {37, SDLK_LEFT},         {38, SDLK_UP},         {39, SDLK_RIGHT},
    {40, SDLK_DOWN},       {45, SDLK_INSERT},       {46, SDLK_DELETE},     {96, SDLK_KP_0},
    {97, SDLK_KP_1},       {98, SDLK_KP_2},         {99, SDLK_KP_3},       {100, SDLK_KP_4},
    {101, SDLK_KP_5},      {102, SDLK_KP_6},        {103, SDLK_KP_7},      {104, SDLK_KP_8},
    {105, SDLK_KP_9},      {106, SDLK_KP_MULTIPLY}, {107, SDLK_KP_PLUS},   {109, SDLK_KP_MINUS},
    {110, SDLK_KP_PERIOD}, {111, SDLK_KP_DIVIDE},   {186, SDLK_SEMICOLON}, {187, SDLK_EQUALS},
    {188, SDLK_COMMA},     {189, SDLK_MINUS},       {190, SDLK_PERIOD},    {191, SDLK_SLASH},
    {192, SDLK_BACKQUOTE}, {219, SDLK_LEFTBRACKET}, {220, SDLK_BACKSLASH}, {221, SDLK_RIGHTBRACKET},
    {222, SDLK_QUOTE},
};

// Keys the game has no code of its own for still arrive, so Ctrl with any key fires.
constexpr int kVkUnnamed = 255;

}  // namespace

int VirtualKeyFromSdl(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return 112 + (key - SDLK_F1);
    for (const KeyPair& pair : kKeys)
        if (pair.key == key) return pair.vk;
    return key == SDLK_UNKNOWN ? 0 : kVkUnnamed;
}

SDL_Keycode SdlKeyFromVirtualKey(int virtualKey) {
    if (virtualKey >= 'A' && virtualKey <= 'Z') return SDLK_a + (virtualKey - 'A');
    if (virtualKey >= '0' && virtualKey <= '9') return SDLK_0 + (virtualKey - '0');
    if (virtualKey >= 112 && virtualKey <= 123) return SDLK_F1 + (virtualKey - 112);
    for (const KeyPair& pair : kKeys)
        if (pair.vk == virtualKey) return pair.key;
    return SDLK_UNKNOWN;
}

uint32_t ShiftStateFromSdl(Uint16 modifiers) {
    uint32_t shift = kShiftNone;
    if ((modifiers & KMOD_SHIFT) != 0) shift |= kShiftShift;
    if ((modifiers & KMOD_ALT) != 0) shift |= kShiftAlt;
    if ((modifiers & KMOD_CTRL) != 0) shift |= kShiftCtrl;
    return shift;
}

bool SdlKeyboard::IsKeyDown(int virtualKey) const {
    if (window_ != nullptr && SDL_GetKeyboardFocus() != window_) return false;
    const Uint8* state = SDL_GetKeyboardState(nullptr);
    // Both Ctrl, Shift and Alt keys count, as do Enter and the keypad's Enter.
    for (const KeyPair& pair : kKeys)
        if (pair.vk == virtualKey && state[SDL_GetScancodeFromKey(pair.key)] != 0) return true;
    const SDL_Keycode key = SdlKeyFromVirtualKey(virtualKey);
    return key != SDLK_UNKNOWN && state[SDL_GetScancodeFromKey(key)] != 0;
}

int32_t KeyCodeFromName(const std::string& name) {
    return VirtualKeyFromSdl(SDL_GetKeyFromName(name.c_str()));
}
