// The camera: projection and far plane, gamma ramp, shakes, zoom, scripted
// looks and moves, and its saved state.
#include "world_fixture.h"

#include "characters/KillCam.h"
#include "characters/PostacMgr.h"
#include "game/GameAI.h"
#include "player/ItemMgr.h"
#include "player/PlayerWeapons.h"
#include "shell/Mouse.h"
#include "shell/SaveFile.h"
#include "world/Camera.h"
#include "world/EngineObject.h"

#include <cmath>
#include <cstdio>

namespace worldtest
{
namespace
{
constexpr float PI = 3.14159265358979f;

class Camera : public WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        g_Camera = ECamera();
    }
    // One camera frame of `seconds`.
    static void Frame(float seconds)
    {
        g_Engine.m_fDeltaTime = seconds;
        g_Camera.Update(0);
    }
};

TEST_F(Camera, StartsLookingBackAlongZFromHighUp)
{
    EXPECT_EQ(g_Camera.GetPosition(), D3DXVECTOR3(1.0f, 1600.0f, -128.0f));
    EXPECT_NEAR(g_Camera.GetOrientation().Forward.z, -1.0f, 1e-6f);
    EXPECT_NEAR(g_Camera.GetViewFrame().Forward.z, -1.0f, 1e-6f);
    EXPECT_EQ(g_Camera.GetGamma(), 1.0f);
}

TEST_F(Camera, ProjectionFollowsFarPlaneZoomAndScreen)
{
    g_Options.screenwidth = 1024;
    g_Options.screenheight = 768;
    g_Camera.m_fZoom = 1.0f;
    g_Camera.SetFarPlane(1000.0f);
    const float fov = PI / 4.0f;
    const float aspect = 1024.0f / 768.0f;
    const D3DXMATRIX& p = g_Camera.m_mProjection;
    EXPECT_NEAR(p._22, 1.0f / std::tan(fov / 2.0f), 1e-5f);
    EXPECT_NEAR(p._11, p._22 / aspect, 1e-5f);
    EXPECT_NEAR(p._33, 1000.0f / (1000.0f - 0.02f), 1e-5f);
    EXPECT_NEAR(p._43, -0.02f * 1000.0f / (1000.0f - 0.02f), 1e-5f);
    // The near-range projection ends at 40.
    EXPECT_NEAR(g_Camera.m_mProjectionNear._33, 40.0f / (40.0f - 0.02f), 1e-5f);
    // The view's extent at the far plane and the infinite-far matrix.
    EXPECT_NEAR(g_Camera.m_fFarHeight, 2.0f * std::tan(fov / 2.0f) * 1000.0f, 1e-2f);
    EXPECT_NEAR(g_Camera.m_fFarWidth, g_Camera.m_fFarHeight * aspect, 1e-2f);
    const D3DXMATRIX& inf = g_Camera.m_mProjectionInfinite;
    EXPECT_NEAR(inf._11, 1.0f / std::tan(fov * aspect / 2.0f), 1e-5f);
    EXPECT_EQ(inf._33, 1.0f);
    EXPECT_EQ(inf._34, 1.0f);
    EXPECT_EQ(inf._43, -0.02f);
    EXPECT_EQ(inf._44, 0.0f);

    // A zoom factor narrows the field of view.
    g_Camera.m_fZoom = 0.5f;
    g_Camera.UpdateProjection();
    EXPECT_NEAR(g_Camera.m_fFov, PI / 8.0f, 1e-6f);
}

TEST_F(Camera, FrustumCornersSpanTheFarPlane)
{
    g_Options.screenwidth = 800;
    g_Options.screenheight = 600;
    g_Camera.SetOrientation(EOrientation());
    g_Camera.SetFarPlane(100.0f);
    g_Camera.ComputeFrustumCorners();
    const float v = g_Camera.m_fFarHeight / 2.0f;
    const float h = g_Camera.m_fFarWidth / 2.0f;
    const float expected[4][4] = {
        {-h, v, 100.0f, 0.0f}, {h, v, 100.0f, 0.0f}, {h, -v, 100.0f, 0.0f}, {-h, -v, 100.0f, 0.0f}};
    for (int c = 0; c < 4; ++c)
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(g_Camera.m_vFrustumCorners[c][i], expected[c][i], 1e-3f) << c << "," << i;
}

TEST_F(Camera, ViewLooksAlongTheViewFrame)
{
    g_Camera.SetOrientation(EOrientation(PI / 2.0f, 0.0f, 0.0f));
    g_Camera.SetPosition(D3DXVECTOR3(5.0f, 2.0f, 3.0f));
    EXPECT_NEAR(g_Camera.m_vLookAt.x, 6.0f, 1e-5f);
    // A point ahead of the camera lands on the view's +Z axis.
    const D3DXVECTOR3 ahead(15.0f, 2.0f, 3.0f);
    D3DXVECTOR3 inView;
    D3DXVec3TransformCoord(&inView, &ahead, &g_Camera.m_mView);
    EXPECT_NEAR(inView.x, 0.0f, 1e-4f);
    EXPECT_NEAR(inView.y, 0.0f, 1e-4f);
    EXPECT_NEAR(inView.z, 10.0f, 1e-4f);
    // The world matrix places the camera.
    EXPECT_EQ(g_Camera.m_mWorld._41, 5.0f);
    EXPECT_EQ(g_Camera.m_mWorld._43, 3.0f);

    // A roll of the engine objects' camera turns the view about its forward axis, not the
    // camera's own frame.
    g_EngineObject.m_fCameraRoll = PI / 2.0f;
    g_Camera.SetOrientation(EOrientation(PI / 2.0f, 0.0f, 0.0f));
    g_EngineObject.m_fCameraRoll = 0.0f;
    EXPECT_NEAR(g_Camera.m_vForward.x, 1.0f, 1e-5f);
    EXPECT_NEAR(std::fabs(g_Camera.m_vUp.z), 1.0f, 1e-5f) << "up lies on the side";
    EXPECT_NEAR(g_Camera.m_Orientation.Up.y, 1.0f, 1e-5f);
}

TEST_F(Camera, GammaIsClampedAndBuildsItsRamp)
{
    struct Case
    {
        float in, stored;
    };
    for (const Case c : {Case{4.0f, 3.0f}, Case{0.2f, 0.5f}, Case{1.7f, 1.7f}, Case{NAN, 0.5f}})
    {
        g_Camera.SetGamma(c.in);
        EXPECT_EQ(g_Camera.GetGamma(), c.stored);
        EXPECT_EQ(g_Camera.m_fGammaGreen, c.stored);
    }
    WORD ramp[ECamera::GAMMA_ENTRIES];
    ECamera::BuildGammaRamp(1.0f, ramp);
    EXPECT_EQ(ramp[0], 0);
    EXPECT_EQ(ramp[255], 65535);
    EXPECT_NEAR(ramp[51], 13107, 1);
    ECamera::BuildGammaRamp(2.0f, ramp);
    EXPECT_NEAR(ramp[64], std::sqrt(64.0 / 255.0) * 65535.0, 1.0);
    EXPECT_EQ(ramp[255], 65535);
    // Below 0.01 the ramp is that of 0.01: dark up to the last few entries.
    ECamera::BuildGammaRamp(0.0f, ramp);
    EXPECT_EQ(ramp[200], 0);
    EXPECT_NEAR(ramp[254], std::pow(254.0 / 255.0, 100.0) * 65535.0, 2.0);
    EXPECT_EQ(ramp[255], 65535);
}

TEST_F(Camera, AShortShakeRunsForItsDurationAndFadesWithDistance)
{
    EShakeParams p;
    p.fValues[7] = 0.0f;
    g_Camera.StartShake(p, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(g_Camera.m_bShake, 0) << "duration 0 never starts";

    // Source 640 from the camera with a range of 640: no offset, yet it runs.
    p.Reset();
    g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    g_Camera.StartShake(p, D3DXVECTOR3(640.0f, 0.0f, 0.0f));
    ASSERT_EQ(g_Camera.m_bShake, 1);
    for (int i = 0; i < 10; ++i)
    {
        Frame(0.1f);
        for (float o : g_Camera.m_fShakeOffset)
            EXPECT_EQ(o, 0.0f);
    }
    EXPECT_EQ(g_Camera.m_bShake, 1);
    Frame(3.1f);
    EXPECT_EQ(g_Camera.m_bShake, 0);

    // Near the source it moves the view, within the angle of each axis.
    p.Reset();
    p.dwNegative = 1;
    g_Camera.StartShake(p, D3DXVECTOR3(10.0f, 0.0f, 0.0f));
    EXPECT_EQ(g_Camera.m_fShakeSign, -1.0f);
    float largest = 0.0f;
    for (int i = 0; i < 20; ++i)
    {
        Frame(0.05f);
        for (int a = 0; a < ECamera::AXES; ++a)
        {
            EXPECT_LE(std::fabs(g_Camera.m_fShakeOffset[a]), p.fValues[2 * a] * PI / 180.0f);
            largest = std::fmax(largest, std::fabs(g_Camera.m_fShakeOffset[a]));
        }
    }
    EXPECT_GT(largest, 0.0f);
}

TEST_F(Camera, DeletingTheSourceStopsTheConstantShakeOnly)
{
    HOBJECT source = Mesh("rumbler");
    EConstantShakeParams c;
    g_Camera.StartConstantShake(c, source);
    EShakeParams s;
    g_Camera.StartShake(s, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    ASSERT_EQ(g_Camera.m_bConstantShake, 1);
    Frame(0.1f);
    g_Engine.DeleteObject(source);
    EXPECT_EQ(g_Camera.m_bConstantShake, 0);
    EXPECT_EQ(g_Camera.m_hConstantShakeSource, nullptr);
    EXPECT_EQ(g_Camera.m_bShake, 1);
    Frame(0.1f);

    // All three angles 0: nothing starts.
    EConstantShakeParams still;
    still.fValues[0] = still.fValues[2] = still.fValues[4] = 0.0f;
    g_Camera.StartConstantShake(still, nullptr);
    EXPECT_EQ(g_Camera.m_bConstantShake, 0);
}

TEST_F(Camera, SniperZoomBlendsInAndOutWithinItsRange)
{
    g_Options.FOV = 1.0f;
    for (int i = 0; i < 30; ++i)
    {
        g_Camera.m_bZoomIn = 1;
        Frame(0.1f);
    }
    EXPECT_EQ(g_Camera.m_fZoomBlend, 1.0f);
    EXPECT_FLOAT_EQ(g_Camera.m_fZoom, 1.25f);
    EXPECT_EQ(g_Camera.m_bZoomIn, 0) << "the request lasts one frame";
    Frame(0.25f);
    EXPECT_FLOAT_EQ(g_Camera.m_fZoomBlend, 0.5f);
    Frame(1.0f);
    EXPECT_EQ(g_Camera.m_fZoomBlend, 0.0f);
    EXPECT_FLOAT_EQ(g_Camera.m_fZoom, 1.0f);

    // While the script variable "sniper_view" is set the zoom is 0.35, whatever the blend.
    g_GameAI.SetVariable("sniper_view", nullptr);
    g_Camera.m_bZoomIn = 1;
    Frame(0.5f);
    EXPECT_FLOAT_EQ(g_Camera.m_fZoom, 0.35f);
    g_GameAI.UnsetVariable("sniper_view", nullptr);
    Frame(0.1f);
    EXPECT_NE(g_Camera.m_fZoom, 0.35f);
}

TEST_F(Camera, MovesToAnObjectAlongALineOverItsTime)
{
    HOBJECT target = Mesh("goal");
    const D3DXVECTOR3 goal(10.0f, 20.0f, 30.0f);
    g_Engine.SetObjectPosition(target, &goal, 0);
    const EOrientation turned(PI / 2.0f, 0.0f, 0.0f);
    g_Engine.SetObjectRotation(target, &turned);
    g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    g_Camera.SetOrientation(EOrientation());

    g_Camera.MoveToObject("goal", 2.0f);
    ASSERT_EQ(g_Camera.m_bMoveTo, 1);
    g_Engine.m_fDeltaTime = 1.0f;
    g_Camera.StepMoveToObject();
    EXPECT_NEAR(g_Camera.GetPosition().x, 5.0f, 1e-4f);
    EXPECT_NEAR(g_Camera.GetPosition().y, 10.0f, 1e-4f);
    EXPECT_NEAR(g_Camera.GetPosition().z, 15.0f, 1e-4f);
    // Halfway between looking along +Z and along +X.
    EXPECT_NEAR(g_Camera.GetOrientation().Forward.x, std::sqrt(0.5f), 1e-4f);
    EXPECT_EQ(g_Camera.m_bMoveTo, 1);
    g_Camera.StepMoveToObject();
    EXPECT_NEAR(g_Camera.GetPosition().z, 30.0f, 1e-4f);
    EXPECT_EQ(g_Camera.m_bMoveTo, 0);

    // A move to a target that goes away ends at once.
    g_Camera.MoveToObject("goal", 2.0f);
    g_Engine.DeleteObject(target);
    g_Camera.StepMoveToObject();
    EXPECT_EQ(g_Camera.m_bMoveTo, 0);
    g_Camera.MoveToObject("nobody", 2.0f);
    EXPECT_EQ(g_Camera.m_bMoveTo, 0);
}

TEST_F(Camera, AMoveToAnObjectHoldsTheCameraForTheFramesItRuns)
{
    Mesh("goal");
    g_Engine.m_fDeltaTime = 1.0f;
    g_Engine.PreRender();
    EXPECT_EQ(g_Engine.m_bCameraHeld, 0);
    g_Camera.MoveToObject("goal", 1.5f);
    g_Engine.PreRender();
    EXPECT_EQ(g_Engine.m_bCameraHeld, 1);
    // The frame that ends the move still holds; the next one is the hero's again.
    g_Engine.PreRender();
    EXPECT_EQ(g_Camera.m_bMoveTo, 0);
    EXPECT_EQ(g_Engine.m_bCameraHeld, 1);
    g_Engine.PreRender();
    EXPECT_EQ(g_Engine.m_bCameraHeld, 0);
}

TEST_F(Camera, LookFromHoldsItsAngleAndNameWithinTheirFields)
{
    Mesh("tower");
    g_Camera.LookFrom("tower", 100.0f);
    EXPECT_EQ(g_Camera.m_bLookFrom, 1);
    EXPECT_EQ(g_Camera.m_fLookAngle, 88.0f);
    EXPECT_STREQ(g_Camera.m_szLookFromName, "tower");
    g_Camera.LookFrom("nothing", 10.0f);
    EXPECT_EQ(g_Camera.m_bLookFrom, 0);
    // A name too long for the field is treated like one not found.
    const std::string longName(70, 't');
    Mesh(longName.c_str());
    g_Camera.LookFrom(longName.c_str(), 10.0f);
    EXPECT_EQ(g_Camera.m_bLookFrom, 0);
}

// The pitch comes back in [0, 2 pi): a view a little below level must keep
// its pitch like one a little above.
TEST_F(Camera, ReleasingTheLookKeepsSmallPitchesOnBothSides)
{
    for (float pitch : {0.3f, -0.3f})
    {
        g_Camera.SetOrientation(EOrientation(0.5f, pitch, 0.0f));
        g_Camera.ReleaseLook();
        EXPECT_NEAR(g_Mouse.m_State.y, pitch, 1e-4f);
        EXPECT_NEAR(g_Mouse.m_State.x, 0.5f, 1e-4f);
    }
    g_Camera.SetOrientation(EOrientation(0.0f, 1.2f, 0.0f));
    g_Camera.ReleaseLook();
    EXPECT_EQ(g_Mouse.m_State.y, 0.0);
}

TEST_F(Camera, LookingFromACharacterUsesItsSceneObject)
{
    HOBJECT body = Mesh("body_17");
    ASSERT_NE(body, nullptr);
    strpostac& guard = PMgr.m_Postacie[0];
    guard = strpostac{};
    guard.used = 1;
    std::snprintf(guard.name, sizeof guard.name, "%s", "Guard");
    guard.model = body;

    g_Camera.LookFromObject("guard", "no_socket", 1.0f, 1);
    EXPECT_EQ(g_Camera.m_hSocketObject, body) << "the character's object, found by its name";
    EXPECT_EQ(g_Camera.m_bSocketLook, 0) << "the object has no such socket";

    // A character without a scene object is not found and the stored object stays.
    guard.model = nullptr;
    g_Camera.LookFromObject("guard", "no_socket", 1.0f, 1);
    EXPECT_EQ(g_Camera.m_hSocketObject, body);
    guard = strpostac{};
}

TEST_F(Camera, SavedStateComesBackWithItsObjectsByName)
{
    HOBJECT target = Mesh("target");
    HOBJECT shaker = Mesh("shaker");
    g_Camera.SetPosition(D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    g_Camera.SetOrientation(EOrientation(0.4f, 0.1f, 0.0f));
    g_Camera.SaveFrames();
    g_Camera.SetOrientation(EOrientation(1.0f, 0.0f, 0.0f));
    g_Camera.MoveToObject("target", 5.0f);
    g_Camera.StartConstantShake(EConstantShakeParams(), shaker);
    g_Camera.SetFarPlane(2500.0f);
    g_Camera.SetFogColor(0x123456);
    g_Camera.LookFrom("target", 45.0f);
    const ECamera before = g_Camera;

    const std::string path = (temp->path() / "camera.sav").string();
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(g_Camera.Save(f));
    std::fclose(f);

    g_Camera = ECamera();
    f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(g_Camera.Load(f));
    std::fclose(f);

    EXPECT_EQ(g_Camera.GetPosition(), before.GetPosition());
    EXPECT_EQ(g_Camera.GetFarPlane(), 2500.0f);
    EXPECT_EQ(g_Camera.m_dwFogColor, 0x123456u);
    EXPECT_EQ(g_Camera.m_bMoveTo, 1);
    EXPECT_EQ(g_Camera.m_hMoveTarget, target);
    EXPECT_EQ(g_Camera.m_bLookFrom, 1);
    EXPECT_STREQ(g_Camera.m_szLookFromName, "target");
    EXPECT_EQ(g_Camera.m_fLookAngle, 45.0f);
    EXPECT_EQ(g_Camera.m_bConstantShake, 1);
    // The shake's source was a pointer of the run that saved it.
    EXPECT_EQ(g_Camera.m_hConstantShakeSource, nullptr);
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(g_Camera.GetOrientation().Quaternion[i], before.GetOrientation().Quaternion[i]);
        EXPECT_EQ(g_Camera.GetViewFrame().Quaternion[i], before.GetViewFrame().Quaternion[i]);
        // The saved frames are the loaded ones.
        EXPECT_EQ(g_Camera.m_SavedFrame.Quaternion[i], before.GetOrientation().Quaternion[i]);
    }

    // The shake block is 212 bytes and the saved view frame comes twice in a row.
    const std::string bytes = temp->Read("camera.sav");
    const size_t frames = ECamera::SHAKE_BLOCK_BYTES + 1 + 8 + 1 + 12 + 116 + 8;
    ASSERT_GT(bytes.size(), frames);
    const size_t viewFrames = bytes.size() - 6 * 12 - 5 * 116;
    EXPECT_EQ(bytes.substr(viewFrames + 116, 116), bytes.substr(viewFrames + 232, 116));
    EXPECT_NE(bytes.substr(viewFrames, 116), bytes.substr(viewFrames + 116, 116));

    // A save cut short fails to load.
    temp->Write("short.sav", bytes.substr(0, bytes.size() / 2));
    f = std::fopen((temp->path() / "short.sav").string().c_str(), "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(g_Camera.Load(f));
    std::fclose(f);
}
} // namespace
} // namespace worldtest

namespace worldtest
{
namespace
{
TEST_F(Camera, AScopeAimedPastItsFullViewMovesTheNearPlaneOut)
{
    EItemDesc scoped{};
    scoped.Snajper_Celownik = 1;
    EItemDesc open{};
    EItemInstance weapon{};
    struct Row
    {
        const EItemDesc* desc;
        float aim;
        float nearPlane;
    };
    const Row rows[] = {
        {&scoped, 0.9f, 0.4f}, {&scoped, 0.8f, 0.02f}, {&open, 1.0f, 0.02f}, {nullptr, 1.0f, 0.02f}};
    for (const Row& r : rows)
    {
        weapon.m_pDesc = const_cast<EItemDesc*>(r.desc);
        Bronie.current = &weapon;
        Bronie.aimProgress = r.aim;
        g_Camera.UpdateProjection();
        EXPECT_FLOAT_EQ(g_Camera.m_fNearPlane, r.nearPlane) << r.aim;
    }
    Bronie.current = nullptr;
    Bronie.aimProgress = 0.0f;
    g_Camera.UpdateProjection();
    EXPECT_FLOAT_EQ(g_Camera.m_fNearPlane, 0.02f);
}

TEST_F(Camera, WhileTheKillCameraRunsTheProjectionTakesTheSettingsFieldOfView)
{
    g_Camera.m_fZoom = 1.0f;
    g_Options.FOV = 0.4f;
    g_Camera.UpdateProjection();
    EXPECT_FLOAT_EQ(g_Camera.m_fZoom, 1.0f);
    OBE.m_bRunning = 1;
    g_Camera.UpdateProjection();
    OBE.m_bRunning = 0;
    EXPECT_FLOAT_EQ(g_Camera.m_fZoom, 0.4f);
    EXPECT_NEAR(g_Camera.m_fFov, 0.4f * 0.7853982f, 1e-6f);
}
} // namespace
} // namespace worldtest
