#pragma once
#include <filesystem>

namespace testsupport {

// Where scratch folders are made: a folder with no link on its way to the root.
std::filesystem::path scratchBase();

} // namespace testsupport
