// The rigid-body description as it is saved with its object: 2384 bytes,
// every field at its place, little-endian, and read back unchanged.
#include "support/LittleEndian.h"
#include "support/ScratchFile.h"

#include "physics/PhysicsDesc.h"
#include "world/ObjectRecordIO.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
EPhysicsDesc Distinct()
{
    EPhysicsDesc d;
    d.iShape = PHYSICS_SHAPE_SPHERE;
    d.fMassOrSize = 2.5f;
    d.bRigidBody = 0;
    d.bBulletHits = 2;
    d.bExplosions = 3;
    d.bNotImportant = 4;
    d.bSmallBody = 5;
    d.bDampedBox = 6;
    d.bMinimumSize = 7;
    d.fFriction = 0.35f;
    d.bJoint = 8;
    std::strcpy(d.szJointSocket, "my_socket");
    std::strcpy(d.szJointPartner, "partner");
    std::strcpy(d.szPartnerSocket, "their_socket");
    d.fJointValue = 4.5f;
    std::strcpy(d.szGiveActionTo, "door01");
    std::strcpy(d.szHitSound, "sounds\\hit.wav");
    d.bHitSound = 9;
    d.fHitSoundValue = 0.75f;
    d.fHitSoundPause = 1.25f;
    std::strcpy(d.szCollisionSound, "sounds\\bump.wav");
    for (int i = 0; i < PHYSICS_RESERVED_SIZE; ++i)
        d.aReserved[i] = static_cast<BYTE>(i * 7 + 1);
    d.fCollisionSoundValue = 6.5f;
    d.bNoCollisions = 10;
    d.bNoCollisionsWithBodies = 11;
    std::strcpy(d.szNoCollision[0], "first");
    std::strcpy(d.szNoCollision[PHYSICS_NO_COLLISION_NAMES - 1], "last");
    std::strcpy(d.szPrefab, "prefabs\\crate.x");
    return d;
}

std::string Text(const std::vector<unsigned char>& b, size_t at)
{
    return std::string(reinterpret_cast<const char*>(b.data()) + at);
}

TEST(PhysicsDescRecord, EveryFieldHasItsPlace)
{
    const EPhysicsDesc d = Distinct();
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(WritePhysicsDescRecord(f, d));
    const std::vector<unsigned char> b = Contents(f);
    std::fclose(f);
    ASSERT_EQ(b.size(), PHYSICS_DESC_RECORD_SIZE);

    EXPECT_EQ(Le32(b, 0), static_cast<uint32_t>(PHYSICS_SHAPE_SPHERE));
    EXPECT_EQ(LeFloat(b, 4), 2.5f);
    // The seven flag bytes, one byte of padding, then the friction.
    const unsigned char flags[] = {0, 2, 3, 4, 5, 6, 7, 0};
    EXPECT_EQ(std::vector<unsigned char>(b.begin() + 8, b.begin() + 16),
              std::vector<unsigned char>(flags, flags + 8));
    EXPECT_EQ(LeFloat(b, 16), 0.35f);
    EXPECT_EQ(b[20], 8);
    EXPECT_EQ(Text(b, 21), "my_socket");
    EXPECT_EQ(Text(b, 53), "partner");
    EXPECT_EQ(Text(b, 85), "their_socket");
    EXPECT_EQ(LeFloat(b, 120), 4.5f);
    EXPECT_EQ(Text(b, 124), "door01");
    EXPECT_EQ(Text(b, 156), "sounds\\hit.wav");
    EXPECT_EQ(b[412], 9);
    EXPECT_EQ(LeFloat(b, 416), 0.75f);
    EXPECT_EQ(LeFloat(b, 420), 1.25f);
    EXPECT_EQ(Text(b, 424), "sounds\\bump.wav");
    // The reserved block of 768 bytes, then the fields that follow it.
    EXPECT_EQ(b[680], d.aReserved[0]);
    EXPECT_EQ(b[680 + PHYSICS_RESERVED_SIZE - 1], d.aReserved[PHYSICS_RESERVED_SIZE - 1]);
    EXPECT_EQ(LeFloat(b, 1448), 6.5f);
    EXPECT_EQ(b[1452], 10);
    EXPECT_EQ(b[1453], 11);
    EXPECT_EQ(Text(b, 1454), "first");
    EXPECT_EQ(Text(b, 1454 + 24 * 32), "last");
    EXPECT_EQ(Text(b, 2254), "prefabs\\crate.x");
}

TEST(PhysicsDescRecord, ReadsBackWhatWasWrittenAndAShortRecordIsRefused)
{
    const EPhysicsDesc d = Distinct();
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(WritePhysicsDescRecord(f, d));
    std::rewind(f);
    EPhysicsDesc back;
    ASSERT_TRUE(ReadPhysicsDescRecord(f, &back));
    std::fclose(f);
    EXPECT_EQ(back.iShape, d.iShape);
    EXPECT_EQ(back.bSmallBody, 5);
    EXPECT_EQ(back.bDampedBox, 6);
    EXPECT_EQ(back.bMinimumSize, 7);
    EXPECT_EQ(back.fFriction, d.fFriction);
    EXPECT_EQ(back.fJointValue, d.fJointValue);
    EXPECT_EQ(back.bHitSound, d.bHitSound);
    EXPECT_EQ(back.fCollisionSoundValue, d.fCollisionSoundValue);
    EXPECT_EQ(std::memcmp(back.aReserved, d.aReserved, sizeof d.aReserved), 0);
    EXPECT_STREQ(back.szNoCollision[24], "last");
    EXPECT_STREQ(back.szPrefab, d.szPrefab);

    // A record cut short reads as a failure.
    std::vector<unsigned char> shortRecord(PHYSICS_DESC_RECORD_SIZE - 1, 0);
    FILE* cut = FileWith(shortRecord);
    ASSERT_NE(cut, nullptr);
    EXPECT_FALSE(ReadPhysicsDescRecord(cut, &back));
    std::fclose(cut);
}
} // namespace
