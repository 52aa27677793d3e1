// How LoadSkin turns PNG bytes into skin images, open to the tests so that a
// deliberately broken table can go through the same path.
#pragma once

#include "embedded_skin.h"

// Decodes every entry into the matching skin image; an entry that fails to
// decode leaves a null image and the rest still load.
void loadSkinImagesFrom(const std::array<EmbeddedPng, kSkinImageCount> &pngs);

// The face LcdFont asks for, and the installed face that stands in for it.
inline constexpr const char *kLcdFontFamily = "MicroTech";
inline constexpr const char *kLcdFontSubstitute = "Jura";
