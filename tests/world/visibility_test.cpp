// The visibility pass: which meshes and lights are seen from a camera at the
// origin looking along +Z, when a mesh gets its detailed sky shadow, how long
// a decision holds, and the light list of a mesh that switches lights.
#include "world_fixture.h"

#include "support/ConsoleLog.h"
#include "render/Renderer.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/EngineObject.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace worldtest
{
namespace
{
constexpr float kFarPlane = 1000.0f;
constexpr DWORD kAlwaysVisible = 0x20;     // flag word 2
constexpr DWORD kNoSunShadow = 0x10000000; // flag word 2
constexpr DWORD kDrawnWithPhysics = 0x4;   // flag word 1: drawn while "DrawPhysics" is on
constexpr DWORD kKindHiddenInWideScreen = 256;

class Visibility : public WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        g_EngineObject.Release();
        g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
        g_Camera.SetOrientation(EOrientation());
        g_Camera.SetFarPlane(kFarPlane);
        g_Options.RecalculateCamera = 1;
        g_Options.DrawPhysics = 0;
        g_Renderer.m_bDetailedSkyShadows = 1;
    }
    // A prepared object at the point, with the radius (a light's range).
    static HOBJECT At(BYTE type, D3DXVECTOR3 at, float radius)
    {
        HOBJECT o = type == OT_LIGHT ? Light() : type == OT_SKINMESH ? Skin() : Mesh();
        g_Engine.SetObjectFlags(o, OF_PHYSICS, OF_PHYSICS); // shown
        g_Engine.PrepareObject(o);
        g_Engine.SetObjectPosition(o, &at, 0);
        o->fRadius = radius;
        return o;
    }
    // One pass of the frame time, with the decision forced or left to the timer.
    static void Pass(bool forced = true, float seconds = 0.01f)
    {
        g_EngineObject.m_fFrameTime = seconds;
        if (forced)
            g_EngineObject.m_bRecomputeVisibility = 1;
        g_Engine.BuildSkyShadowLists();
    }
};

struct ObjectCase
{
    const char* what;
    D3DXVECTOR3 at;
    float radius;
    int disappearRange;
    DWORD flags2;
    BYTE keep;
    BYTE expected;
};

TEST_F(Visibility, MeshesAreSeenByDistanceRangeFarPlaneAndFacing)
{
    const ObjectCase cases[] = {
        {"near, behind the camera", {0, 0, -10}, 1.5f, 0, 0, 0, 1},
        {"farther behind", {0, 0, -30}, 1.5f, 0, 0, 0, 0},
        {"as far ahead", {0, 0, 30}, 1.5f, 0, 0, 0, 1},
        {"behind but within 1.6 radii", {0, 0, -30}, 20.0f, 0, 0, 0, 1},
        {"small and past 100", {0, 0, 150}, 1.0f, 0, 0, 0, 0},
        {"small and past 100, kept", {0, 0, 150}, 1.0f, 0, 0, 1, 1},
        {"its near side within the disappear range", {0, 0, 51}, 1.5f, 50, 0, 0, 1},
        {"its near side beyond it", {0, 0, 52}, 1.5f, 50, 0, 0, 0},
        {"a disappear range of 1 never hides", {0, 0, 900}, 5.0f, 1, 0, 0, 1},
        {"its near side within the far plane", {0, 0, 1004}, 5.0f, 0, 0, 0, 1},
        {"its near side beyond it", {0, 0, 1006}, 5.0f, 0, 0, 0, 0},
        {"always visible, far behind", {0, 0, -5000}, 2.0f, 0, kAlwaysVisible, 0, 1},
        {"always visible, but small and far", {0, 0, -5000}, 1.0f, 0, kAlwaysVisible, 0, 0},
    };
    for (const ObjectCase& c : cases)
    {
        HOBJECT o = At(OT_MESH, c.at, c.radius);
        o->iDisappearRange = c.disappearRange;
        o->dwFlags2 = c.flags2;
        o->bKeepVisible = c.keep;
        Pass();
        EXPECT_EQ(o->bVisible, c.expected) << c.what;
        EXPECT_EQ(o->bDrawn, c.expected) << c.what;
        g_Engine.DeleteObject(o);
    }
}

TEST_F(Visibility, HiddenAndSwitchedOffObjectsAreNotSeen)
{
    HOBJECT hidden = At(OT_MESH, {0, 0, 5}, 1.0f);
    HOBJECT off = At(OT_MESH, {0, 0, 5}, 1.0f);
    HOBJECT skinOff = At(OT_SKINMESH, {0, 0, 5}, 1.0f);
    Pass();
    ASSERT_EQ(hidden->bVisible, 1);
    hidden->bHidden = 1;
    g_Engine.SetObjectFlags(off, 0, OF_PHYSICS);
    g_Engine.SetObjectFlags(skinOff, 0, OF_PHYSICS);
    Pass();
    EXPECT_EQ(hidden->bVisible, 0);
    EXPECT_EQ(off->bVisible, 0);
    EXPECT_EQ(skinOff->bVisible, 0);
}

TEST_F(Visibility, ADecisionHoldsForAFifthOfASecondUnlessTheObjectMovesOrTheSettingIsOff)
{
    HOBJECT o = At(OT_MESH, {0, 0, 30}, 1.5f);
    Pass(false, 0.1f); // the timer starts run out: decided now, and again after 0.3 s
    ASSERT_EQ(o->bVisible, 1);
    o->iDisappearRange = 10; // would hide it, but nothing tells the pass
    Pass(false, 0.1f);
    Pass(false, 0.1f);
    EXPECT_EQ(o->bVisible, 1) << "decided again before its time";
    Pass(false, 0.11f);
    EXPECT_EQ(o->bVisible, 0) << "not decided again after 0.3 seconds";

    // A move decides it at once.
    o->iDisappearRange = 0;
    const D3DXVECTOR3 moved(0.0f, 0.0f, 30.5f);
    g_Engine.SetObjectPosition(o, &moved, 0);
    Pass(false, 0.01f);
    EXPECT_EQ(o->bVisible, 1);

    // With the setting off every byte stays as it is, even when forced.
    g_Options.RecalculateCamera = 0;
    const D3DXVECTOR3 behind(0.0f, 0.0f, -300.0f);
    g_Engine.SetObjectPosition(o, &behind, 0);
    Pass(true);
    Pass(true);
    EXPECT_EQ(o->bVisible, 1);
    g_Options.RecalculateCamera = 1;
    Pass(true);
    EXPECT_EQ(o->bVisible, 0);
}

TEST_F(Visibility, MarkedObjectsAloneAreDrawnWhileDrawPhysicsIsOnAndSomeKindsHideInWideScreen)
{
    HOBJECT marked = At(OT_MESH, {0, 0, -300}, 1.0f); // far behind: the object test would not draw it
    HOBJECT plain = At(OT_MESH, {0, 0, 5}, 1.0f);
    marked->dwFlags |= kDrawnWithPhysics;
    g_Options.DrawPhysics = 1;
    Pass();
    EXPECT_EQ(marked->bVisible, 1);
    EXPECT_EQ(plain->bVisible, 0);
    g_Options.DrawPhysics = 0;
    Pass();
    EXPECT_EQ(marked->bVisible, 0);
    EXPECT_EQ(plain->bVisible, 1);

    plain->dwFlags3 = kKindHiddenInWideScreen;
    g_Panel.m_bPanoramic = 1;
    Pass();
    EXPECT_EQ(plain->bVisible, 0);
    g_Panel.m_bPanoramic = 0;
    Pass();
    EXPECT_EQ(plain->bVisible, 1);
}

struct LightCase
{
    const char* what;
    D3DXVECTOR3 at;
    float range;
    int disappearRange;
    DWORD flags2;
    BYTE expected;
};

TEST_F(Visibility, LightsAreSeenByDisappearRangeFacingAndFarPlane)
{
    const LightCase cases[] = {
        {"inside its disappear range", {0, 0, 50}, 30.0f, 60, 0, 1},
        {"beyond it", {0, 0, 70}, 30.0f, 60, 0, 0},
        {"far ahead", {0, 0, 200}, 10.0f, 0, 0, 1},
        {"far to the side", {200, 0, 0}, 10.0f, 0, 0, 0},
        {"far behind", {0, 0, -200}, 10.0f, 0, 0, 0},
        {"to the side but within two ranges", {30, 0, 0}, 20.0f, 0, 0, 1},
        {"its sphere beyond the far plane", {0, 0, 1200}, 100.0f, 0, 0, 0},
        {"always visible: beyond the far plane but not past 20000",
         {0, 0, 1200},
         100.0f,
         0,
         kAlwaysVisible,
         1},
    };
    for (const LightCase& c : cases)
    {
        HOBJECT o = At(OT_LIGHT, c.at, c.range);
        o->iDisappearRange = c.disappearRange;
        o->dwFlags2 = c.flags2;
        Pass();
        EXPECT_EQ(o->bVisible, c.expected) << c.what;
        g_Engine.DeleteObject(o);
    }
}

TEST_F(Visibility, PreparationGivesLightsWithoutADisappearRangeSixty)
{
    HOBJECT unset = Light();
    HOBJECT set = Light();
    unset->iDisappearRange = 0;
    set->iDisappearRange = 100;
    g_Engine.PrepareObject(unset);
    g_Engine.PrepareObject(set);
    EXPECT_EQ(unset->iDisappearRange, 60);
    EXPECT_EQ(set->iDisappearRange, 100);
}

struct ShadowCase
{
    float radius;
    float distance;
    BYTE expected;
};

TEST_F(Visibility, NearMovingMeshesGetDetailedSkyShadowsByTheirSize)
{
    const ShadowCase cases[] = {
        {3.0f, 34.9f, 1},  {3.0f, 35.1f, 0},  {6.0f, 49.9f, 1},  {6.0f, 50.1f, 0},
        {12.0f, 51.9f, 1}, {12.0f, 52.1f, 0}, {70.0f, 99.9f, 1}, {70.0f, 100.1f, 0},
    };
    for (const ShadowCase& c : cases)
    {
        HOBJECT o = At(OT_MESH, {0, 0, c.distance}, c.radius);
        o->bDetailedShadowRequest = 1;
        o->bKeepVisible = 1;
        Pass();
        ASSERT_EQ(o->bVisible, 1);
        EXPECT_EQ(o->bDetailedShadow, c.expected) << "radius " << c.radius << " at " << c.distance;
        g_Engine.DeleteObject(o);
    }

    // Neither without the request, nor for a mesh that casts no sun shadow,
    // nor while the renderer's switch is off.
    HOBJECT o = At(OT_MESH, {0, 0, 10}, 1.0f);
    Pass();
    EXPECT_EQ(o->bDetailedShadow, 0);
    o->bDetailedShadowRequest = 1;
    o->dwFlags2 = kNoSunShadow;
    Pass();
    EXPECT_EQ(o->bDetailedShadow, 0);
    o->dwFlags2 = 0;
    g_Renderer.m_bDetailedSkyShadows = 0;
    Pass();
    EXPECT_EQ(o->bDetailedShadow, 0);
    g_Renderer.m_bDetailedSkyShadows = 1;
    Pass();
    EXPECT_EQ(o->bDetailedShadow, 1);
}

TEST_F(Visibility, SkinnedMeshesGetDetailedSkyShadowsWithinThirty)
{
    HOBJECT nearer = At(OT_SKINMESH, {0, 0, 29.9f}, 1.0f);
    HOBJECT farther = At(OT_SKINMESH, {0, 0, 30.1f}, 1.0f);
    Pass();
    ASSERT_EQ(nearer->bVisible, 1);
    ASSERT_EQ(farther->bVisible, 1);
    EXPECT_EQ(nearer->bDetailedShadow, 1);
    EXPECT_EQ(farther->bDetailedShadow, 0);
    EXPECT_EQ(g_Renderer.m_bDetailedShadowSkinMeshes, 1);
}

// ---- The light list -----------------------------------------------------------------------------------

void Name(ELightControlParams* c, int i, const std::string& name)
{
    std::memset(c->szLights[i], 0, LIGHT_CONTROL_NAME_SIZE);
    std::memcpy(c->szLights[i], name.data(), std::min<size_t>(name.size(), LIGHT_CONTROL_NAME_SIZE));
}

TEST_F(Visibility, AMeshKeepsTheFirstThreeNamesThatAreLightsInUse)
{
    const std::string longName(LIGHT_CONTROL_NAME_SIZE, 'q'); // fills its field, no terminator
    HOBJECT lamp = Mesh("lamp");
    Mesh("notalight");
    ELightControlParams c;
    c.bEnabled = 1;
    Name(&c, 0, "missing");
    Name(&c, 1, "notalight");
    Name(&c, 2, "bulb1");
    Name(&c, 3, longName);
    Name(&c, 4, "bulb2");
    Name(&c, 5, "bulb3");
    g_Engine.SetObjectLightControl(lamp, &c);
    EXPECT_EQ(lamp->iNumLights, 0u) << "no light exists yet";

    HOBJECT bulb1 = Light("bulb1");
    HOBJECT named = Light(longName.c_str());
    HOBJECT bulb2 = Light("bulb2");
    Light("bulb3");
    g_Engine.PrepareObject(lamp); // the world's set-up links what it names
    ASSERT_EQ(lamp->iNumLights, 3u);
    EXPECT_EQ(lamp->apLights[0], bulb1);
    EXPECT_EQ(lamp->apLights[1], named);
    EXPECT_EQ(lamp->apLights[2], bulb2);

    // A light that goes leaves the list.
    g_Engine.DeleteObject(named);
    EXPECT_NE(lamp->apLights[1], named);

    // A record switched off takes the list with it.
    ELightControlParams off;
    g_Engine.SetObjectLightControl(lamp, &off);
    EXPECT_EQ(lamp->iNumLights, 0u);
    EXPECT_EQ(lamp->apLights[0], nullptr);
}

TEST_F(Visibility, TheLightsOfAMeshThatDiesGoOut)
{
    HOBJECT lamp = Mesh("lamp");
    HOBJECT bulb = Light("bulb");
    g_Engine.SetObjectFlags(bulb, OF_PHYSICS, OF_PHYSICS);
    ELightControlParams c;
    c.bEnabled = 1;
    Name(&c, 0, "bulb");
    g_Engine.SetObjectLightControl(lamp, &c);
    ASSERT_EQ(lamp->apLights[0], bulb);
    g_Engine.m_fDeltaTime = 0.01f;
    g_EngineObject.Update();
    EXPECT_TRUE(bulb->dwFlags & OF_PHYSICS) << "a living lamp leaves its light on";
    lamp->bDead = 1;
    g_EngineObject.Update();
    EXPECT_FALSE(bulb->dwFlags & OF_PHYSICS);
    EXPECT_EQ(bulb->bLightOff, 1);
}
} // namespace
} // namespace worldtest
