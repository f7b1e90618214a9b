// Objects that crush: every 0.6 s a crushing object kills the live characters
// whose position, one unit up, lies inside its body, and only those.
#include "characters_fixture.h"

#include "world/EngineObject.h"
#include "world/Object.h"

#include <string>

using namespace chartest;

namespace
{
constexpr const char* kModel = "models\\soldier\\soldier.x";

class CrushTest : public CharactersTest
{
protected:
    void SetUp() override
    {
        CharactersTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(Figure("soldier"));
        Scripts(std::string("postac soldier\nmodel ") + kModel + "\nHP 100\nfaza stoi\nanimacja stoi\n");
    }

    strpostac* Soldier(const D3DXVECTOR3& at, const char* name)
    {
        strpostac* p = Character("soldier", at, name);
        if (!p)
            return nullptr;
        PMgr.CreateCharacterModel(p, nullptr);
        EXPECT_NE(p->model, nullptr);
        p->faza = CPostacMgr::FindFaza(p->desc, "stoi");
        return p;
    }
};

TEST_F(CrushTest, ACrushingBodyKillsTheCharactersInsideItOnly)
{
    strpostac* under = Soldier(D3DXVECTOR3(0.0f, 0.0f, 0.0f), "under");
    strpostac* beside = Soldier(D3DXVECTOR3(3.0f, 0.0f, 0.0f), "beside");
    strpostac* below = Soldier(D3DXVECTOR3(0.0f, -3.0f, 0.0f), "below");
    ASSERT_NE(under, nullptr);
    ASSERT_NE(beside, nullptr);
    ASSERT_NE(below, nullptr);
    // A unit box one unit above the first soldier's feet.
    const float at[3] = {0.0f, 1.0f, 0.0f};
    HOBJECT press = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, at, nullptr);
    ASSERT_NE(press, nullptr);
    g_EngineObject.StepCrush(press);
    EXPECT_TRUE(under->dead);
    EXPECT_FALSE(beside->dead) << "beside the body";
    EXPECT_FALSE(below->dead) << "below the body";
    // Nothing to crush without a body; a dead one is not killed again.
    g_EngineObject.StepCrush(nullptr);
    g_EngineObject.StepCrush(press);
    EXPECT_FALSE(beside->dead);
}
} // namespace
