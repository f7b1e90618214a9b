// How the whole game ends when it cannot go on: a texture that will not load
// stops it with the reason on standard error and a non-zero exit code.
#include "support/GameProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
TEST(GameExitCode, ATextureThatWillNotLoadStopsTheGameWithTheReasonAndAFailure)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    // The demo world's road is drawn with it: a file that is no picture at all.
    dir.Write("textures/demo/demo_road.tga", "not a picture");
    dir.Write("run.txt", "frame 2: wait level frame 200\nframe 3: key press Space\n"
                         "frame 5: wait level frame 215\nframe 8: quit\n");
    GameProcess game(dir.path(), {{"TK_FRAMES", "3000"}, {"TK_SCRIPT", (dir.path() / "run.txt").string()}},
                     dir.path() / "errors.txt");
    const int code = game.Wait(kGameSeconds);
    EXPECT_NE(code, 0);
    EXPECT_NE(code, -1) << "the game did not end by itself";
    const std::string errors = dir.Read("errors.txt");
    EXPECT_NE(errors.find("a texture could not be loaded: "), std::string::npos) << errors;
    EXPECT_NE(errors.find("demo_road.tga"), std::string::npos) << errors;
}
} // namespace
