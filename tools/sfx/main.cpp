// vandrax-sfx: synthesises one sound effect from its recipe into a WAV file.
//   vandrax-sfx RECIPE.sfx OUT.wav

#include <cstdio>
#include <exception>
#include <string>

#include "recipe.h"
#include "synth.h"
#include "wave_output.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vandrax-sfx RECIPE.sfx OUT.wav\n");
        return 2;
    }
    try {
        sfx::Recipe recipe = sfx::LoadRecipe(argv[1]);
        sfx::Sound sound = sfx::Render(recipe);
        sfx::WriteWave(argv[2], sound);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vandrax-sfx: %s\n", error.what());
        return 1;
    }
    return 0;
}
