// 3D buffers and the listener: the distance model, the pan from the
// listener's axes and deferred settings.
#include "dsound_fixture.h"

namespace
{
constexpr int16_t kLevel = 16000;
constexpr DWORD k3DFlags = DSBCAPS_CTRL3D | DSBCAPS_CTRLVOLUME;
} // namespace

class DSound3DTest : public DSoundTest
{
protected:
    void SetUp() override
    {
        DSoundTest::SetUp();
        ASSERT_NE(Listener(), nullptr);
    }

    IDirectSound3DBuffer* Make3D(DWORD flags = k3DFlags)
    {
        LPDIRECTSOUNDBUFFER b = MakeMono(flags, std::vector<int16_t>(4410, kLevel));
        if (!b)
            return nullptr;
        EXPECT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
        void* out = nullptr;
        EXPECT_EQ(b->QueryInterface(IID_IDirectSound3DBuffer, &out), DS_OK);
        m_3d.push_back(static_cast<IDirectSound3DBuffer*>(out));
        return m_3d.back();
    }

    void TearDown() override
    {
        for (IDirectSound3DBuffer* b : m_3d)
            b->Release();
        DSoundTest::TearDown();
    }

    // Left and right level of the output now.
    static std::pair<int, int> Levels()
    {
        const std::vector<int16_t> out = Advance(4);
        return {out[6], out[7]};
    }

    std::vector<IDirectSound3DBuffer*> m_3d;
};

TEST_F(DSound3DTest, ASoundToTheRightIsLouderOnTheRight)
{
    IDirectSound3DBuffer* b = Make3D();
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->SetPosition(5.0f, 0.0f, 0.0f, DS3D_IMMEDIATE), DS_OK);
    auto [left, right] = Levels();
    EXPECT_GT(right, left * 2);

    // Turn the listener round (facing -z): the same sound is now on the left.
    ASSERT_EQ(m_listener->SetOrientation(0, 0, -1, 0, 1, 0, DS3D_IMMEDIATE), DS_OK);
    std::tie(left, right) = Levels();
    EXPECT_GT(left, right * 2);

    // Straight ahead both sides are equal; so they are looking straight down,
    // where the top given is no use.
    ASSERT_EQ(b->SetPosition(0.0f, 0.0f, -5.0f, DS3D_IMMEDIATE), DS_OK);
    std::tie(left, right) = Levels();
    EXPECT_EQ(left, right);
    ASSERT_EQ(m_listener->SetOrientation(0, -1, 0, 0, -1, 0, DS3D_IMMEDIATE), DS_OK);
    ASSERT_EQ(b->SetPosition(0.0f, -5.0f, 0.0f, DS3D_IMMEDIATE), DS_OK);
    std::tie(left, right) = Levels();
    EXPECT_EQ(left, right);
    EXPECT_GT(left, 0);
}

TEST_F(DSound3DTest, LevelFallsWithDistanceAsTheModelSays)
{
    IDirectSound3DBuffer* b = Make3D();
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->SetMinDistance(10.0f, DS3D_IMMEDIATE), DS_OK);
    ASSERT_EQ(b->SetMaxDistance(100.0f, DS3D_IMMEDIATE), DS_OK);
    // Straight ahead, so there is no pan: min / (min + rolloff x (d - min)).
    const struct
    {
        float distance, rolloff, gain;
    } cases[] = {{5, 1, 1.0f},   {10, 1, 1.0f}, {20, 1, 0.5f}, {40, 1, 0.25f}, {40, 0.4f, 10.0f / 22.0f},
                 {100, 1, 0.1f}, {400, 1, 0.1f}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.distance);
        ASSERT_EQ(m_listener->SetRolloffFactor(c.rolloff, DS3D_IMMEDIATE), DS_OK);
        ASSERT_EQ(b->SetPosition(0.0f, 0.0f, c.distance, DS3D_IMMEDIATE), DS_OK);
        const auto [left, right] = Levels();
        EXPECT_NEAR(left, kLevel * c.gain, 1.0);
        EXPECT_EQ(left, right);
    }
}

TEST_F(DSound3DTest, BeyondTheMaximumDistanceHoldsOrMutes)
{
    IDirectSound3DBuffer* held = Make3D();
    ASSERT_NE(held, nullptr);
    ASSERT_EQ(held->SetMinDistance(10.0f, DS3D_IMMEDIATE), DS_OK);
    ASSERT_EQ(held->SetMaxDistance(20.0f, DS3D_IMMEDIATE), DS_OK);
    ASSERT_EQ(held->SetPosition(0.0f, 0.0f, 1000.0f, DS3D_IMMEDIATE), DS_OK);
    ASSERT_EQ(m_listener->SetRolloffFactor(1.0f, DS3D_IMMEDIATE), DS_OK);
    EXPECT_NEAR(Levels().first, kLevel / 2, 1.0);

    IDirectSound3DBuffer* muted = Make3D(k3DFlags | DSBCAPS_MUTE3DATMAXDISTANCE);
    ASSERT_NE(muted, nullptr);
    ASSERT_EQ(muted->SetMinDistance(10.0f, DS3D_IMMEDIATE), DS_OK);
    ASSERT_EQ(muted->SetMaxDistance(20.0f, DS3D_IMMEDIATE), DS_OK);
    ASSERT_EQ(muted->SetPosition(0.0f, 0.0f, 1000.0f, DS3D_IMMEDIATE), DS_OK);
    EXPECT_NEAR(Levels().first, kLevel / 2, 1.0) << "the muted one adds nothing";
}

TEST_F(DSound3DTest, DeferredSettingsWaitForTheCommit)
{
    IDirectSound3DBuffer* b = Make3D();
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(m_listener->SetRolloffFactor(1.0f, DS3D_IMMEDIATE), DS_OK);
    ASSERT_EQ(b->SetPosition(0.0f, 0.0f, 4.0f, DS3D_DEFERRED), DS_OK);
    ASSERT_EQ(m_listener->SetPosition(0.0f, 0.0f, -4.0f, DS3D_DEFERRED), DS_OK);
    EXPECT_EQ(Levels().first, kLevel) << "still at the old places";
    D3DVECTOR asked{};
    ASSERT_EQ(b->GetPosition(&asked), DS_OK);
    EXPECT_EQ(asked.z, 4.0f);
    ASSERT_EQ(m_listener->CommitDeferredSettings(), DS_OK);
    EXPECT_NEAR(Levels().first, kLevel / 8.0, 1.0);

    EXPECT_EQ(b->SetPosition(0.0f, 0.0f, 1.0f, 7), DSERR_INVALIDPARAM);
    EXPECT_EQ(m_listener->SetRolloffFactor(11.0f, DS3D_IMMEDIATE), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetMinDistance(0.0f, DS3D_IMMEDIATE), DSERR_INVALIDPARAM);
}

TEST_F(DSound3DTest, HeadRelativeAndDisabledModes)
{
    IDirectSound3DBuffer* b = Make3D();
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(m_listener->SetPosition(100.0f, 0.0f, 0.0f, DS3D_IMMEDIATE), DS_OK);
    ASSERT_EQ(m_listener->SetRolloffFactor(1.0f, DS3D_IMMEDIATE), DS_OK);
    // Head-relative: the position is taken in the listener's own frame.
    ASSERT_EQ(b->SetMode(DS3DMODE_HEADRELATIVE, DS3D_IMMEDIATE), DS_OK);
    ASSERT_EQ(b->SetPosition(-2.0f, 0.0f, 0.0f, DS3D_IMMEDIATE), DS_OK);
    auto [left, right] = Levels();
    EXPECT_NEAR(left, kLevel / 2, 1.0);
    EXPECT_LT(right, left / 2);
    ASSERT_EQ(b->SetMode(DS3DMODE_DISABLE, DS3D_IMMEDIATE), DS_OK);
    std::tie(left, right) = Levels();
    EXPECT_EQ(left, kLevel);
    EXPECT_EQ(right, kLevel);
}
