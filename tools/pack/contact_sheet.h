#pragma once
// `vandrax-pack sheet`: every item of a pack on one labelled PNG.

#include <string>

#include "engine/pack_data.h"

// Graphics packs: each picture on a checkerboard (so alpha and colour-keyed pixels show), its
// patterns outlined and numbered, labelled with name, size, pattern size and count, and how it
// is drawn (alpha or key colour). Sound packs: one labelled line per sound.
void DrawContactSheet(const PackContents& contents, const std::string& outPath);

// Frees cairo's and fontconfig's process-wide font caches once no cairo object is left, so leak
// checkers (the sanitizer build) see a clean exit.
void ReleaseSheetFonts();
