// Arbitrary bytes as Config.cfg: reading must only ever apply values or list problems.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ConfigValues values;
    const ConfigReadResult result =
        ReadConfigText(std::string_view(reinterpret_cast<const char*>(data), size), values);
    // Whatever was read must write out again and read back to the same values.
    const std::string again = FormatConfig(values);
    ConfigValues reread;
    ReadConfigText(again, reread);
    if (reread.music != values.music || reread.sound != values.sound) __builtin_trap();
    for (size_t i = 0; i < values.highScores.size(); ++i)
        if (reread.highScores[i].Score != values.highScores[i].Score) __builtin_trap();
    (void)result;
    return 0;
}
