#pragma once
// The font faces the Linux atlas is built from, in order of preference.
#include "platform/font_atlas.h"

#include <filesystem>
#include <vector>

namespace platform::posix {

std::vector<std::filesystem::path> defaultFontFiles();

// Builds the atlas from the first face that loads; none: "launcher font atlas".
FontAtlas buildFontAtlasFrom(const std::vector<std::filesystem::path>& faces);

} // namespace platform::posix
