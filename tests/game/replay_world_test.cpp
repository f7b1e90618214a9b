// The running demo game, in-process on the headless window, clock and device,
// played twice in one folder with the same input and frame step: the second
// start reads the caches the first one wrote (the grass, the leaves' ground
// grid, the baked sky lights) and comes after a whole game in the same
// process, yet the people walk the same ways and the game's random sequence
// ends where it did.
#include "game_fixture.h"

#include "characters/PostacMgr.h"
#include "platform/win32/Headless.h"
#include "support/GameWindow.h"
#include "world/Camera.h"

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

using namespace gametest;

namespace
{
constexpr double kFrameMs = 50.0;
const DWORD kLookAt[] = {260, 330, 420};

class ReplayWorld : public GameTest
{
protected:
    void TearDown() override
    {
        CloseInProcessGame();
        GameTest::TearDown();
    }

    // Where every character and the camera stand, one line each, printed to
    // the tenth of a millimetre so that any drift shows.
    static std::string Where()
    {
        std::ostringstream s;
        s.setf(std::ios::fixed);
        s.precision(4);
        for (int i = 0; i < MAX_POSTACI; ++i)
        {
            const strpostac& p = PMgr.m_Postacie[i];
            if (p.used)
                s << p.name << " " << p.position.x << " " << p.position.y << " " << p.position.z << "\n";
        }
        const D3DXVECTOR3 c = g_Camera.GetPosition();
        s << "camera " << c.x << " " << c.y << " " << c.z << "\n";
        return s.str();
    }

    // One game from a fresh start of the program's random sequence: the
    // level run at the frame step, what stands where at each frame looked
    // at, and the sequence's next draw at the end.
    std::vector<std::string> Play()
    {
        std::vector<std::string> seen;
        std::srand(1);
        OpenDemoGame("ReplayWorldTest", 64, 48);
        if (HasFatalFailure())
            return seen;
        TkHeadlessSetFrameStepMs(kFrameMs);
        StartLevel(kLookAt[0]);
        for (DWORD frame : kLookAt)
        {
            PassUntilLevelFrame(frame);
            if (HasFatalFailure())
                return seen;
            seen.push_back("level frame " + std::to_string(frame) + "\n" + Where());
        }
        seen.push_back("next draw " + std::to_string(std::rand()));
        CloseInProcessGame();
        return seen;
    }
};
} // namespace

TEST_F(ReplayWorld, ASecondStartWithTheFirstStartsCachesPlaysTheSame)
{
    const std::vector<std::string> first = Play();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(std::filesystem::exists(m_dir->path() / "worlds" / "level01.w.grs")) << "the grass was kept";
    const std::vector<std::string> second = Play();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(first.size(), second.size());
    for (size_t i = 0; i < first.size(); ++i)
        EXPECT_EQ(first[i], second[i]);
    // The people of the level are there to be compared.
    EXPECT_NE(first[0].find(worldgen::DEMO_CIVILIAN_SPAWN), std::string::npos) << first[0];
}
