#pragma once
// Where the source tree's data folder and this build's game program are. Only
// BuildPaths.cpp is compiled with them, so the other test and benchmark sources
// stay the same from one checkout or build folder to the next and the compiler
// cache can reuse them.
#include <filesystem>

namespace tk::test
{
const std::filesystem::path& DataDir();
const std::filesystem::path& GameExe();
} // namespace tk::test
