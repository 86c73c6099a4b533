// Arbitrary bytes as the promotion page's description: reading must never fail, never ask about
// a file outside the data root, and a description it takes must hold together.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "online/data_paths.h"
#include "online/promo_description.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // Every file exists but those whose name says otherwise, so the reader gets deep.
    const PromoDescription page = ReadPromoDescription(text, [](const std::string& name) {
        if (!DataRelativePath(name)) __builtin_trap();
        return name.find("missing") == std::string::npos;
    });
    if (!page.valid) return 0;
    if (page.buttonCount < 1 || page.buttonCount > kPromoMaxButtons) __builtin_trap();
    if (page.buttons.size() != static_cast<size_t>(page.buttonCount)) __builtin_trap();
    if (!page.buttons.back().IsExit()) __builtin_trap();
    if (page.countdown < 0 || page.countdown > kPromoMaxSeconds * 10 || page.countdown % 10 != 0)
        __builtin_trap();
    if (page.fontSize < 1 || page.fontSize > kPromoMaxFontSize) __builtin_trap();
    if (page.colour > 0xFFFFFF) __builtin_trap();
    if (!DataRelativePath(page.background)) __builtin_trap();
    auto far = [](int32_t v) { return v < -kPromoMaxCoordinate || v > kPromoMaxCoordinate; };
    if (far(page.centreX) || far(page.centreY)) __builtin_trap();
    for (size_t i = 0; i < page.buttons.size(); ++i) {
        const PromoButtonDescription& button = page.buttons[i];
        for (const std::string* name : {&button.normalPicture, &button.hoverPicture, &button.inactivePicture})
            if (!DataRelativePath(*name)) __builtin_trap();
        if (i + 1 < page.buttons.size() && !DataRelativePath(button.target)) __builtin_trap();
        for (const PromoRect* rect : {&button.hover, &button.normal, &button.inactive})
            if (far(rect->x) || far(rect->y) || far(rect->width) || far(rect->height)) __builtin_trap();
    }
    return 0;
}
