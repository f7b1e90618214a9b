// The frame update: lives, freezing, the view limit, acceleration, periodic
// and delayed children, hurting.
#include "fx_fixture.h"

#include "game/MainGame.h"
#include "platform/Backend.h"
#include "platform/dsound/DSoundHeadless.h"
#include "player/Player.h"
#include "sound/SoundMgr.h"

using namespace fxtest;

namespace
{
EFxDef Def(float life)
{
    EFxDef d;
    d.Type = FX_TYPE_NONE;
    d.Life_Time = life;
    return d;
}
} // namespace

TEST_F(FxTest, ALifeOfZeroLivesFourUpdatesAndANegativeOneNeverEnds)
{
    Load();
    EFxDef zero = Def(0.0f);
    EFxDef endless = Def(-1.0f);
    EFxInstance* a = FX.CreateFx(&zero, nullptr, nullptr, 0);
    EFxInstance* b = FX.CreateFx(&endless, nullptr, nullptr, 0);
    Run(3);
    EXPECT_EQ(a->m_bActive, 1);
    EXPECT_EQ(a->m_fLifeFraction, 0.0f); // no 0 / 0
    Run(1);
    EXPECT_EQ(a->m_bActive, 0);
    Run(1000);
    EXPECT_EQ(b->m_bActive, 1);
    EXPECT_EQ(b->m_bEvictable, 0);
}

TEST_F(FxTest, EffectsFreezeWhileModelsAreNotUpdated)
{
    Load();
    EFxDef moving = Def(1.0f);
    moving.Move = 1;
    moving.Vel = D3DXVECTOR3(0, 0, 10);
    EFxInstance* fx = FX.CreateFx(&moving, nullptr, nullptr, 0);
    g_Options.UpdateModels = 0;
    Run(100);
    EXPECT_EQ(fx->m_bActive, 1);
    EXPECT_EQ(fx->m_vPos, D3DXVECTOR3(0, 0, 0));
    g_Options.UpdateModels = 1;
    Run(2);
    EXPECT_NEAR(fx->m_vPos.z, 2 * kStep * 10.0f, 1e-5f);
}

TEST_F(FxTest, BeyondItsDisappearDistanceAnEvictableEffectEndsAtOnce)
{
    Load();
    EFxDef far = Def(5.0f);
    far.Pos = D3DXVECTOR3(0, 0, 50);
    far.Disappear_Distance = 20.0f;
    EFxInstance* gone = FX.CreateFx(&far, nullptr, nullptr, 0);
    EFxDef waiting = far;
    std::snprintf(waiting.AfterName[0], FX_NAME_SIZE, "x");
    EFxDef child = Def(1.0f);
    waiting.AfterDef[0] = &child;
    waiting.AfterTime[0] = 4.0f;
    waiting.AfterCount = 1;
    EFxInstance* kept = FX.CreateFx(&waiting, nullptr, nullptr, 0);
    Run(1);
    EXPECT_EQ(gone->m_bActive, 0);
    EXPECT_EQ(kept->m_bActive, 1);
    EXPECT_EQ(kept->m_fVisibleDistance, 20.0f);
}

TEST_F(FxTest, ACoefficientSlowsAMovingEffectToAStop)
{
    Load();
    EFxDef d = Def(10.0f);
    d.Type = FX_SPRITE;
    std::snprintf(d.Filename[0], FX_NAME_SIZE, "s.tga");
    d.Move = 1;
    d.Vel = D3DXVECTOR3(5, 0, 0);
    d.Accelerate_After = 0.25f;
    d.Accelerate_Coef = 10.0f;
    d.Accelerate_For = 2.0f;
    EFxInstance* fx = FX.CreateFx(&d, nullptr, nullptr, 0);
    g_Engine.m_fDeltaTime = 0.1f;
    Run(2); // Accelerate_After runs out
    EXPECT_EQ(fx->m_vVel.x, 5.0f);
    Run(3);
    EXPECT_NEAR(fx->m_vVel.x, 2.0f, 1e-4f);
    Run(3);
    EXPECT_EQ(fx->m_vVel, D3DXVECTOR3(0, 0, 0));
    Run(20);
    EXPECT_EQ(fx->m_vVel, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(fx->m_fAccelerateCoef, 0.0f);
}

TEST_F(FxTest, EveryChildrenComeEachPeriodOnlyWhileInView)
{
    Afx("puff", Lines({"Life_Time 100"}));
    Afx("chimney", Lines({"Life_Time -1", "Every 0.5 puff 0.2", "Pos 0 0 10"}));
    Load();
    FX.CreateFxByName("chimney", nullptr, nullptr);
    g_Engine.m_fDeltaTime = 0.01f;
    Run(1000); // ten seconds
    const int puffs = Active() - 1;
    EXPECT_GE(puffs, 14); // periods of 0.5 to 0.7 s
    EXPECT_LE(puffs, 20);
    for (const EFxInstance& fx : FX.m_Fx)
        if (fx.m_bActive && std::strcmp(fx.m_szName, "puff") == 0)
            EXPECT_EQ(fx.m_vPos, D3DXVECTOR3(0, 0, 10));

    // Out of view (beyond the far plane) nothing more comes.
    // The puffs, evictable, end there at once; the chimney stays.
    g_Camera.SetPosition(D3DXVECTOR3(0, 0, 5000));
    Run(1000);
    EXPECT_EQ(Active(), 1);
}

TEST_F(FxTest, AfterChildrenStartOnceAtTheirTime)
{
    Afx("flash", Lines({"Life_Time 10", "Move true"}));
    Afx("boom", Lines({"Life_Time 1", "After 0.3 flash 0", "After 0.6 flash 0", "Pos 1 2 3"}));
    Load();
    EFxInstance* boom = FX.CreateFxByName("boom", nullptr, nullptr);
    EXPECT_EQ(boom->m_bEvictable, 0);
    g_Engine.m_fDeltaTime = 0.1f;
    Run(4);
    EXPECT_EQ(Active(), 2);
    Run(4);
    EXPECT_EQ(Active(), 3);
    EXPECT_EQ(boom->m_pAfterDef[1], nullptr);
    EXPECT_EQ(boom->m_bEvictable, 1);
    for (const EFxInstance& fx : FX.m_Fx)
        if (fx.m_bActive && std::strcmp(fx.m_szName, "flash") == 0)
            EXPECT_EQ(fx.m_vPos, D3DXVECTOR3(1, 2, 3));
}

TEST_F(FxTest, AHurtingEffectReachesThePlayerWithinThreeUnits)
{
    Load();
    EFxDef fire = Def(-1.0f);
    fire.Hurt_Player = 10.0f;
    FX.CreateFx(&fire, nullptr, nullptr, 0);
    // The hero's health changes once the level has settled; his own frame
    // (which would regenerate) does not run here.
    g_MainGame.m_iLevelFrame = CPlayer::FRAME_HEALTH;
    Player.m_fFrameTime = 0.0f;
    Player.m_vPosition = {2.5f, 0.0f, 0.0f};
    const float health = PlayerStats.m_fHealth;
    Run(2);
    EXPECT_NEAR(PlayerStats.m_fHealth, health - 2 * kStep * 10.0f, 1e-4f);
    Player.m_vPosition = {3.5f, 0.0f, 0.0f};
    Run(2);
    EXPECT_NEAR(PlayerStats.m_fHealth, health - 2 * kStep * 10.0f, 1e-4f);
}

TEST_F(FxTest, NothingMovesWhileTheMenuIsOpenOrEffectsAreOff)
{
    Load();
    EFxDef d = Def(0.0f);
    EFxInstance* fx = FX.CreateFx(&d, nullptr, nullptr, 0);
    g_Options.DrawFX = 0;
    Run(10);
    EXPECT_EQ(fx->m_iFrames, 0u);
    g_Options.DrawFX = 1;
    Run(10);
    EXPECT_EQ(fx->m_bActive, 0);
}

TEST_F(FxTest, ASpinningSpriteTurnsAboutTheLineOfSight)
{
    Load();
    EFxDef d = Def(10.0f);
    d.Type = FX_SPRITE;
    std::snprintf(d.Filename[0], FX_NAME_SIZE, "s.tga");
    d.Pos = D3DXVECTOR3(0, 0, 10);
    d.Spinning_Sprite = 1;
    d.Spinning_Speed = 90.0f;
    EFxInstance* fx = FX.CreateFx(&d, nullptr, nullptr, 0);
    EXPECT_EQ(fx->m_dwSpriteFlags & 2u, 2u); // drawn on its own axes
    g_Engine.m_fDeltaTime = 0.25f;
    Run(1);
    const D3DXVECTOR3 up = fx->m_vAimUp;
    Run(4); // a quarter turn more
    EXPECT_NEAR(fx->m_fSpinAngle, 5 * 0.25f * D3DX_PI / 2, 1e-4f);
    EXPECT_NEAR(up.x * fx->m_vAimUp.x + up.y * fx->m_vAimUp.y + up.z * fx->m_vAimUp.z, 0.0f, 1e-4f);
    // Still square to the line of sight.
    EXPECT_NEAR(fx->m_vAimUp.z, 0.0f, 1e-4f);
    EXPECT_NEAR(fx->m_vAimForward.z, 1.0f, 1e-4f);
    Run(20); // past a whole turn: the angle stays within one turn
    EXPECT_LE(std::fabs(fx->m_fSpinAngle), 2 * D3DX_PI);
}

TEST_F(FxTest, AFireWhoseSoundCannotBeMadeTriesAgainOnlyAfterTheCameraLeftItsRange)
{
    // A fire loop that exists but is no wave file, on a working sound device.
    TkSetBackend(TkBackend::Headless);
    TkSoundResetHeadless();
    g_Options.sound = 1;
    ASSERT_TRUE(g_SoundMgr.Initialize(reinterpret_cast<HWND>(this)));
    temp->Write("sounds/special/ogien.wav", "RIFF\x04\x00\x00\x00WAVE");
    ConsoleLogHere log;
    Load();
    EFxDef fire = Def(-1.0f);
    fire.Fire = 1;
    fire.Pos = D3DXVECTOR3(0, 0, 10);
    EFxInstance* fx = FX.CreateFx(&fire, nullptr, nullptr, 0);
    ASSERT_NE(fx, nullptr);
    auto failures = []
    {
        const std::string& printed = ConsoleLog();
        int n = 0;
        for (size_t at = printed.find("Sound loading problem"); at != std::string::npos;
             at = printed.find("Sound loading problem", at + 1))
            ++n;
        return n;
    };
    Run(30);
    EXPECT_EQ(fx->m_pSound, nullptr);
    EXPECT_EQ(failures(), 1) << "tried once, not every frame";
    // Out of its range and back: one more try.
    g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, -5000.0f));
    Run(2);
    g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    Run(30);
    EXPECT_EQ(failures(), 2);
    // A good file by then is played.
    temp->Write("sounds/special/ogien.wav", std::string("RIFF\x2c\x00\x00\x00WAVEfmt \x10\x00\x00\x00", 20) +
                                                std::string("\x01\x00\x01\x00\x22\x56\x00\x00\x44\xac\x00\x00"
                                                            "\x02\x00\x10\x00",
                                                            16) +
                                                std::string("data\x08\x00\x00\x00", 8) +
                                                std::string(8, '\x10'));
    g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, -5000.0f));
    Run(2);
    g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    Run(2);
    EXPECT_NE(fx->m_pSound, nullptr);
    FX.Release();
    g_SoundMgr.Release();
}
