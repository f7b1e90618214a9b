// Animation files: their stored layout, refusal of damaged files, parameter files, and sampling
// (loops, clamping with the end flag, times before the first key, root motion).
#include "support/ConsoleLog.h"
#include "support/LittleEndian.h"
#include "support/TempDir.h"

#include "mesh/BinaFile.h"
#include "mesh/SkinMeshAnimation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>

namespace
{
tNodeAnim Track(const char* name)
{
    tNodeAnim node;
    std::snprintf(node.szName, sizeof node.szName, "%s", name);
    return node;
}

// A root moving from x = 0 to x = 3 over 2 s (keys in 1/100 s units) and turning about Y, and a
// hand with one scale key.
BinaContent Walk()
{
    BinaContent c;
    c.dKeyTimeScale = 100.0;
    c.dLength = 2.0;
    tNodeAnim root = Track("Bip01");
    root.fTimeTranslation = {0.0f, 100.0f, 200.0f};
    root.vTranslation = {{0.0f, 1.0f, 0.0f}, {1.5f, 1.0f, 0.5f}, {3.0f, 1.0f, 1.0f}};
    root.fTimeRotation = {0.0f, 200.0f};
    D3DXQUATERNION turned;
    D3DXQuaternionRotationYawPitchRoll(&turned, 1.0f, 0.0f, 0.0f);
    root.qRotation = {{0.0f, 0.0f, 0.0f, 1.0f}, turned};
    tNodeAnim hand = Track("Bip01_R_Hand");
    hand.fTimeScale = {50.0f};
    hand.vScale = {{2.0f, 2.0f, 2.0f}};
    c.nodes = {root, hand};
    return c;
}

std::string Bytes(const BinaContent& c)
{
    const std::vector<BYTE> b = bina::Write(c);
    return std::string(b.begin(), b.end());
}

bool Parse(const std::string& bytes, BinaContent* out, bina::ReadError* error)
{
    return bina::Read(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size(), out, error);
}

void ExpectVec(const D3DXVECTOR3& v, float x, float y, float z)
{
    EXPECT_NEAR(v.x, x, 1e-4f);
    EXPECT_NEAR(v.y, y, 1e-4f);
    EXPECT_NEAR(v.z, z, 1e-4f);
}

class AnimationTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        anim.Destroy();
        FreeLinkFields();
    }

    // Writes the content as a model's animation and loads it.
    bool Load(const BinaContent& content, const char* name = "walk", const char* params = nullptr)
    {
        std::filesystem::create_directories("models/hero/animations");
        const std::string path = std::string("models\\hero\\animations\\") + name + ".bin";
        EXPECT_TRUE(bina::WriteFile(path.c_str(), content));
        if (params)
            temp.Write(std::string("models/hero/animations/") + name + ".txt", params);
        return ESkinMeshAnimation::Load_Animation_From_Bin_File(path.c_str(), &anim);
    }

    strAnimationSlot SampleAt(double t, BYTE loop)
    {
        strAnimationSlot slot;
        slot.bLoop = loop;
        slot.dTime = t;
        ESkinMeshAnimation::ResetFrames();
        ESkinMeshAnimation::Sample(&anim, &slot);
        return slot;
    }

    TempDir temp;
    ESkinMeshAnimation anim;
};
} // namespace

TEST(BinaFile, StoredLayoutIsLittleEndianFieldByField)
{
    const std::string b = Bytes(Walk());
    ASSERT_EQ(b.size(), 28u + (180 + 16 * 3 + 20 * 2) + (180 + 16));
    EXPECT_EQ(b.substr(0, 4), "BINA");
    EXPECT_EQ(Le32(b, 4), 2u);
    EXPECT_EQ(Le32(b, 8), 2u);
    double scale, length;
    std::memcpy(&scale, b.data() + 12, 8);
    std::memcpy(&length, b.data() + 20, 8);
    EXPECT_EQ(scale, 100.0);
    EXPECT_EQ(length, 2.0);
    EXPECT_EQ(b.substr(28, 6), std::string("Bip01\0", 6));
    EXPECT_EQ(LeFloat(b, 28 + 140 + 12), 1.0f) << "default rotation w";
    EXPECT_EQ(Le32(b, 28 + 168), 3u);
    EXPECT_EQ(Le32(b, 28 + 172), 2u);
    EXPECT_EQ(Le32(b, 28 + 176), 0u);
    EXPECT_EQ(LeFloat(b, 28 + 180 + 4), 100.0f) << "second translation time";
    EXPECT_EQ(LeFloat(b, 28 + 180 + 20 + 12), 1.5f) << "second translation key x";

    BinaContent back;
    bina::ReadError error;
    ASSERT_TRUE(Parse(b, &back, &error));
    ASSERT_EQ(back.nodes.size(), 2u);
    EXPECT_STREQ(back.nodes[1].szName, "Bip01_R_Hand");
    EXPECT_EQ(back.nodes[0].vTranslation[2].z, 1.0f);
    EXPECT_EQ(back.nodes[1].fTimeScale[0], 50.0f);
    EXPECT_EQ(Bytes(back), b);
}

TEST(BinaFile, DamagedFilesAreRefusedWithTheirReason)
{
    const std::string good = Bytes(Walk());
    BinaContent out;
    bina::ReadError error;
    for (size_t n = 0; n < good.size(); ++n)
    {
        EXPECT_FALSE(Parse(good.substr(0, n), &out, &error)) << "cut at " << n;
        EXPECT_TRUE(out.nodes.empty());
    }

    struct Case
    {
        const char* what;
        size_t at;
        uint32_t value;
        bina::ReadError expected;
    };
    const uint32_t nan = 0x7fc00000u;
    const Case cases[] = {
        {"version 3", 4, 3u, bina::ReadError::Version},
        {"node count past the file", 8, 0x10000000u, bina::ReadError::Truncated},
        {"key count past the file", 28 + 168, 0xffffffffu, bina::ReadError::Truncated},
        {"rotation count past the file", 28 + 172, 0x20000000u, bina::ReadError::Truncated},
        {"NaN key", 28 + 180 + 20 + 12, nan, bina::ReadError::BadValue},
        {"NaN key time", 28 + 180, nan, bina::ReadError::BadValue},
        {"key times going back", 28 + 180 + 8, 0x3f800000u /* 1.0 */, bina::ReadError::BadValue},
        {"wrong magic", 0, 0x58585858u, bina::ReadError::Magic},
    };
    for (const Case& c : cases)
    {
        std::string bad = good;
        for (int i = 0; i < 4; ++i)
            bad[c.at + i] = static_cast<char>(c.value >> (8 * i));
        EXPECT_FALSE(Parse(bad, &out, &error)) << c.what;
        EXPECT_EQ(error, c.expected) << c.what;
        EXPECT_TRUE(out.nodes.empty()) << c.what;
    }

    std::string lower = good;
    lower.replace(0, 4, "bina");
    EXPECT_TRUE(Parse(lower, &out, &error)) << "the magic is compared without regard to case";

    std::string unterminated = good;
    unterminated.replace(28, 128, std::string(128, 'A'));
    ASSERT_TRUE(Parse(unterminated, &out, &error));
    EXPECT_EQ(std::string(out.nodes[0].szName), std::string(127, 'A'));
}

TEST_F(AnimationTest, RefusedFilesPrintTheirLineAndLeaveTheAnimationEmpty)
{
    std::string bytes = Bytes(Walk());
    bytes[4] = 3;
    temp.Write("models/hero/animations/v3.bin", bytes);
    EXPECT_FALSE(ESkinMeshAnimation::Load_Animation_From_Bin_File("models\\hero\\animations\\v3.bin", &anim));
    EXPECT_FALSE(anim.IsLoaded());
    EXPECT_NE(ConsoleLog().find("Wrong version of file format!, AnimFile=models\\hero\\animations\\v3.bin"),
              std::string::npos);

    temp.Write("models/hero/animations/cut.bin", Bytes(Walk()).substr(0, 300));
    EXPECT_FALSE(
        ESkinMeshAnimation::Load_Animation_From_Bin_File("models\\hero\\animations\\cut.bin", &anim));
    EXPECT_NE(ConsoleLog().find("AnimFile=models\\hero\\animations\\cut.bin"), std::string::npos);
    EXPECT_FALSE(anim.IsLoaded());
}

TEST_F(AnimationTest, LoopingWrapsAndCountsLoops)
{
    ASSERT_TRUE(Load(Walk()));
    ASSERT_TRUE(anim.IsLoaded());
    strAnimationSlot slot = SampleAt(5.5, 1);
    EXPECT_DOUBLE_EQ(slot.dSampledTime, 1.5);
    EXPECT_EQ(slot.iLoopCounter, 2u);
    ExpectVec(FindLinkField("bip01")->vTranslation, 2.25f, 1.0f, 0.75f);

    slot = SampleAt(4.0, 1);
    EXPECT_DOUBLE_EQ(slot.dSampledTime, 0.0);
    ExpectVec(FindLinkField("Bip01")->vTranslation, 0.0f, 1.0f, 0.0f);
}

TEST_F(AnimationTest, OneShotHoldsItsLastPoseWithTheEndFlag)
{
    ASSERT_TRUE(Load(Walk()));
    strAnimationSlot slot;
    slot.dTime = 7.0;
    ESkinMeshAnimation::Sample(&anim, &slot);
    EXPECT_EQ(slot.bEndReached, 1);
    EXPECT_DOUBLE_EQ(slot.dSampledTime, 2.0);
    ExpectVec(FindLinkField("Bip01")->vTranslation, 3.0f, 1.0f, 1.0f);
    D3DXQUATERNION turned;
    D3DXQuaternionRotationYawPitchRoll(&turned, 1.0f, 0.0f, 0.0f);
    EXPECT_NEAR(FindLinkField("Bip01")->qRotation.y, turned.y, 1e-4f);
    EXPECT_NEAR(FindLinkField("Bip01")->mLocal._41, 3.0f, 1e-4f) << "the matrix carries the pose";

    slot.dTime = 1.0;
    ESkinMeshAnimation::Sample(&anim, &slot);
    EXPECT_EQ(slot.bEndReached, 0);
    ExpectVec(FindLinkField("Bip01")->vTranslation, 1.5f, 1.0f, 0.5f);
}

TEST_F(AnimationTest, BeforeTheFirstKeyTheFirstKeyHolds)
{
    ASSERT_TRUE(Load(Walk()));
    SampleAt(0.1, 0);
    ExpectVec(FindLinkField("Bip01_R_Hand")->vScale, 2.0f, 2.0f, 2.0f);
    ExpectVec(FindLinkField("Bip01_R_Hand")->vTranslation, 0.0f, 0.0f, 0.0f);

    BinaContent flat = Walk();
    flat.nodes[0].fTimeTranslation = {30.0f, 30.0f, 30.0f};
    anim.Destroy();
    ASSERT_TRUE(Load(flat, "flat"));
    SampleAt(1.0, 0);
    // A span of 0 takes the first key.
    ExpectVec(FindLinkField("Bip01")->vTranslation, 0.0f, 1.0f, 0.0f);
}

TEST_F(AnimationTest, RootMotionIsTakenOutOfThePoseAndReported)
{
    ASSERT_TRUE(Load(Walk(), "walk", "standard_params 0 90 0 1.5 1 0\n"));
    EXPECT_EQ(anim.Params.bRootMotion, 1);
    EXPECT_DOUBLE_EQ(anim.Params.dSpeed, 1.5);
    EXPECT_NEAR(anim.Params.mRootRotation._13, -1.0f, 1e-5f) << "a quarter turn about Y";
    strAnimationSlot slot = SampleAt(2.0, 0);
    ExpectVec(slot.vRootMotion, 3.0f, 0.0f, 1.0f);
    ExpectVec(FindLinkField("Bip01")->vTranslation, 0.0f, 1.0f, 0.0f);
}

TEST(AnimationParams, ParameterFilesLieBesideTheAnimationsFolder)
{
    TempDir temp;
    struct Case
    {
        const char* file;
        const char* name;
        const char* params;
    };
    const Case cases[] = {
        {"models\\soldier\\animations\\run\\fast.bin", "fast", "models\\soldier\\animations\\fast.txt"},
        {"models\\common\\wave.bin", "wave", "models\\common\\wave.txt"},
        {"models\\Hero\\Idle.bin", "Idle", "models\\hero\\idle.txt"},
    };
    for (const Case& c : cases)
    {
        char out[300];
        ESkinMeshAnimation::ParamsPathFor(c.file, c.name, out, sizeof out);
        EXPECT_STREQ(out, c.params) << c.file;
    }
}
