#include "BuildPaths.h"

namespace tk::test
{
const std::filesystem::path& DataDir()
{
    static const std::filesystem::path dir(TK_BUILD_DATA_DIR);
    return dir;
}

const std::filesystem::path& GameExe()
{
    static const std::filesystem::path exe(TK_BUILD_GAME_EXE);
    return exe;
}
} // namespace tk::test
