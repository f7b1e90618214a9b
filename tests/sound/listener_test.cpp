// The sound listener follows the camera: a 3D sound at the camera is heard,
// one far from it is not, and the listener faces where the camera looks.
#include "sound_fixture.h"

#include "platform/dsound/Mixer.h"
#include "world/Camera.h"

#include <cmath>
#include <cstdlib>
#include <mutex>

namespace
{
std::vector<int16_t> Hum()
{
    std::vector<int16_t> s(22050);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<int16_t>(8000.0 * std::sin(2.0 * 3.14159265358979 * 200.0 * i / 22050.0));
    return s;
}

double Loudness(const std::vector<int16_t>& samples)
{
    double sum = 0.0;
    for (int16_t v : samples)
        sum += std::abs(static_cast<double>(v));
    return samples.empty() ? 0.0 : sum / samples.size();
}

class ListenerTest : public SoundTest
{
protected:
    void SetUp() override
    {
        SoundTest::SetUp();
        g_Camera = ECamera();
        g_Options.sound = 1;
        m_dir.Write("sounds/hum.wav", WaveFile(1, 22050, Hum()));
    }
    void TearDown() override
    {
        g_Camera = ECamera();
        SoundTest::TearDown();
    }

    // A camera frame as the game runs it: the camera's step, then the sound manager's.
    static void Frame()
    {
        g_Engine.m_fDeltaTime = 1.0f / 60.0f;
        g_Camera.Update();
        g_SoundMgr.Update();
    }
};

TEST_F(ListenerTest, AThreeDSoundIsHeardWhereTheCameraIsAndNotFarFromIt)
{
    // The game's start parks the listener far below the world.
    g_SoundMgr.SetListenerPosition({0.0f, -100000000.0f, 0.0f});
    const D3DVECTOR at = {40.0f, 2.0f, -30.0f};
    strSound* hum = g_SoundMgr.CreateSound3DAt("sounds\\hum.wav", &at, 20.0f, true, true);
    ASSERT_NE(hum, nullptr);
    EXPECT_LT(Loudness(Advance(2205)), 1.0) << "parked, nothing is heard";

    g_Camera.SetPosition(D3DXVECTOR3(41.0f, 2.0f, -30.0f));
    Frame();
    EXPECT_EQ(g_SoundMgr.m_vListenerPosition.x, 41.0f);
    EXPECT_GT(Loudness(Advance(2205)), 1000.0) << "one unit from the camera";

    g_Camera.SetPosition(D3DXVECTOR3(400.0f, 2.0f, -30.0f));
    Frame();
    EXPECT_LT(Loudness(Advance(2205)), 1.0) << "beyond its range of the camera";
    g_SoundMgr.DeleteSound(hum);
}

TEST_F(ListenerTest, TheListenerFacesTheCameraAndTheQuarterSecondStepCommitsIt)
{
    ASSERT_NE(g_SoundMgr.m_pDSListener, nullptr);
    const D3DXVECTOR3 east(1.0f, 0.0f, 0.0f);
    g_Camera.SetOrientation(EOrientation(&east));
    g_Camera.SetPosition(D3DXVECTOR3(5.0f, 6.0f, 7.0f));
    // The engine's step, every quarter of a second while sound is on, hands
    // the camera to the listener and puts it in force.
    auto inForce = []
    {
        TkMixer& mixer = TkMixer::Get();
        std::lock_guard<std::mutex> hold(mixer.m_Lock);
        return mixer.m_Listener;
    };
    g_Engine.m_fDeltaTime = 0.1f;
    g_Camera.UpdateListener();
    TkListenerParams l = inForce();
    EXPECT_EQ(l.position.x, 5.0f);
    EXPECT_EQ(l.position.z, 7.0f);
    EXPECT_NEAR(l.front.x, 1.0f, 1e-5f);
    EXPECT_NEAR(l.top.y, 1.0f, 1e-5f);

    g_Camera.SetPosition(D3DXVECTOR3(-5.0f, 6.0f, 7.0f));
    g_Camera.UpdateListener(); // 0.1 s into the next quarter: not yet
    EXPECT_EQ(inForce().position.x, 5.0f);
    g_Engine.m_fDeltaTime = 0.2f;
    g_Camera.UpdateListener();
    EXPECT_EQ(inForce().position.x, -5.0f);
}
} // namespace
