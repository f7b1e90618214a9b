// The scene-object table: slot ranges and limits, finding by name, deleting
// and reusing slots, refused adds, file names and the name-prefix file.
#include "world_fixture.h"

#include "world/Camera.h"

#include <climits>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

using namespace worldtest;

namespace
{
size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

struct RangeCase
{
    BYTE type;
    int first;
    int count;
};

class ObjectRanges : public WorldTest, public ::testing::WithParamInterface<RangeCase>
{
};
} // namespace

TEST_P(ObjectRanges, EachTypeFillsItsOwnSlotsAndIsRefusedBeyondThem)
{
    const RangeCase c = GetParam();
    const char* file = c.type == OT_MESH       ? MESH_FILE
                       : c.type == OT_SKINMESH ? SKIN_FOLDER
                       : c.type == OT_SPRITE   ? SPRITE_FILE
                                               : "";
    for (int i = 0; i < c.count; ++i)
    {
        HOBJECT o = Add(c.type, file);
        ASSERT_NE(o, nullptr) << "object " << i;
        ASSERT_EQ(Slot(o), c.first + i);
        EXPECT_EQ(o->iIndex, c.first + i);
        EXPECT_EQ(o->PESEL[2], static_cast<DWORD>(c.first + i));
        EXPECT_EQ(o->Type, c.type);
    }
    EXPECT_EQ(g_Engine.GetObjectCount(), static_cast<DWORD>(c.count));
    EXPECT_EQ(g_Engine.GetHighWaterMark(c.type), c.first + c.count);
    EXPECT_EQ(Count(ConsoleLog(), "*** Over Objects Limit!"), 0u);

    // One more is refused, even though the other types' slots are free.
    EXPECT_EQ(Add(c.type, file), nullptr);
    EXPECT_EQ(Count(ConsoleLog(), "*** Over Objects Limit!"), 1u);
    EXPECT_EQ(g_Engine.GetObjectCount(), static_cast<DWORD>(c.count));

    // The other types still have room.
    EXPECT_NE(c.type == OT_LIGHT ? Mesh() : Light(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Types, ObjectRanges,
                         ::testing::Values(RangeCase{OT_MESH, 0, 3400}, RangeCase{OT_SKINMESH, 3400, 400},
                                           RangeCase{OT_LIGHT, 3800, 300}, RangeCase{OT_SPRITE, 4100, 100}),
                         [](const auto& info)
                         {
                             switch (info.param.type)
                             {
                             case OT_MESH:
                                 return std::string("Mesh");
                             case OT_SKINMESH:
                                 return std::string("SkinMesh");
                             case OT_LIGHT:
                                 return std::string("Light");
                             default:
                                 return std::string("Sprite");
                             }
                         });

TEST_F(WorldTest, TypesOutsideTheFourAreRefusedWithTheLimitMessage)
{
    for (BYTE type : {1, 3, 4, 7, 255})
    {
        EObjectDesc desc;
        desc.Type = type;
        std::snprintf(desc.szFileName, sizeof desc.szFileName, "%s", MESH_FILE);
        EXPECT_EQ(g_Engine.AddObject(&desc), nullptr) << int(type);
    }
    EXPECT_EQ(Count(ConsoleLog(), "*** Over Objects Limit!"), 5u);
    EXPECT_EQ(g_Engine.GetObjectCount(), 0u);
    EXPECT_EQ(g_Engine.AddObject(nullptr), nullptr);
}

TEST_F(WorldTest, AnAddedObjectStartsFromItsDescription)
{
    EObjectDesc desc;
    desc.Type = OT_LIGHT;
    desc.dwFlags = 0x21;
    desc.dwFlags2 = 7;
    desc.dwFlags3 = 256;
    desc.vPosition = D3DXVECTOR3(1, 2, 3);
    desc.fRadius = 33.0f;
    desc.fLightValue = 0.75f;
    HOBJECT light = g_Engine.AddObject(&desc);
    ASSERT_NE(light, nullptr);
    // A light without a disappear range gets 80, in the object and in the description.
    EXPECT_EQ(desc.fDisappearRange, 80.0f);
    EXPECT_EQ(light->iDisappearRange, 80);
    EXPECT_EQ(light->fRadius, 33.0f);
    EXPECT_EQ(light->fLightValue, 0.75f);
    EXPECT_EQ(light->fLightValue2, 0.75f);
    EXPECT_EQ(light->bIsLight, 1);
    EXPECT_EQ(light->dwFlags, 0x21u);
    EXPECT_EQ(light->bFlag0, 1);
    EXPECT_EQ(light->dwFlags2, 7u);
    EXPECT_EQ(light->dwFlags3, 256u);
    EXPECT_EQ(light->vPosition, D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(light->vStartPosition, D3DXVECTOR3(1, 2, 3));
    EXPECT_NE(light->pBezierFollow, nullptr);
    EXPECT_NE(light->pBezierMove, nullptr);
    EXPECT_EQ(light->pBezierMove->bRunning, 1);
    EXPECT_EQ(light->pBezierMove->dSpeed, 1.0);

    desc.Reset();
    desc.fDisappearRange = 12.9f;
    std::snprintf(desc.szFileName, sizeof desc.szFileName, "%s", MESH_FILE);
    HOBJECT mesh = g_Engine.AddObject(&desc);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->iDisappearRange, 12);
    EXPECT_EQ(mesh->fLightValue, 2.0f);
    EXPECT_EQ(mesh->dwFlags, 13u);
    EXPECT_STREQ(mesh->szMeshFileName, MESH_FILE);
    EXPECT_EQ(mesh->bStartByte, 0xFF);
    EXPECT_EQ(mesh->dwStartDword, 256u);
}

TEST_F(WorldTest, FindByNameIgnoresCaseSkipsSpritesAndNeverFindsAnEmptyName)
{
    HOBJECT unnamed = Mesh();
    HOBJECT door = Mesh("Door_01");
    HOBJECT lamp = Light("Lamp");
    HOBJECT soldier = Skin("Soldier");
    HOBJECT spark = Sprite("Spark");
    ASSERT_TRUE(unnamed && door && lamp && soldier && spark);

    EXPECT_EQ(g_Engine.FindObject("door_01", 0), door);
    EXPECT_EQ(g_Engine.FindObject("DOOR_01", 1), door);
    EXPECT_EQ(g_Engine.FindObject("lAmP", 0), lamp);
    EXPECT_EQ(g_Engine.FindObject("soldier", 1), soldier);
    EXPECT_EQ(g_Engine.FindObject("Spark", 0), nullptr);
    EXPECT_EQ(g_Engine.FindObject("Spark", 1), nullptr);
    EXPECT_EQ(g_Engine.FindObject("", 0), nullptr);
    EXPECT_EQ(g_Engine.FindObject(nullptr, 0), nullptr);
    EXPECT_EQ(g_Engine.FindObject("Door", 0), nullptr);

    // The first of two equal names wins.
    HOBJECT second = Mesh("door_01");
    EXPECT_EQ(g_Engine.FindObject("Door_01", 0), door);
    g_Engine.DeleteObject(door);
    EXPECT_EQ(g_Engine.FindObject("Door_01", 0), second);
}

TEST_F(WorldTest, FindByPeselFindsSavedObjectsButNeverASprite)
{
    HOBJECT lamp = Light("Lamp");
    HOBJECT spark = Sprite("Spark");
    ASSERT_TRUE(lamp && spark);
    EXPECT_EQ(g_Engine.FindObjectByPesel(lamp->PESEL[0], lamp->PESEL[1], lamp->PESEL[2]), lamp);
    EXPECT_EQ(g_Engine.FindObjectByPesel(spark->PESEL[0], spark->PESEL[1], spark->PESEL[2]), nullptr);
}

TEST_F(WorldTest, NamesKeepAtMost126Characters)
{
    const std::string name127(127, 'n');
    HOBJECT o = Mesh(name127.c_str());
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(std::strlen(o->szName), 126u);
    EXPECT_EQ(g_Engine.FindObject(name127.c_str(), 0), nullptr);
    EXPECT_EQ(g_Engine.FindObject(name127.substr(0, 126).c_str(), 0), o);
    g_Engine.SetObjectName(nullptr, "x");
    g_Engine.SetObjectName(o, nullptr);
    EXPECT_EQ(std::strlen(o->szName), 126u);
}

TEST_F(WorldTest, DeletedSlotIsTakenByTheNextAddAndTheMarkFollowsTheHighestSlot)
{
    HOBJECT m[4];
    for (auto& o : m)
        ASSERT_NE(o = Mesh(), nullptr);
    EXPECT_EQ(g_Engine.GetHighWaterMark(OT_MESH), 4);

    g_Engine.DeleteObject(m[1]);
    EXPECT_EQ(m[1]->bUsed, 0);
    EXPECT_EQ(g_Engine.GetObjectCount(), 3u);
    // A lower slot leaves the mark.
    EXPECT_EQ(g_Engine.GetHighWaterMark(OT_MESH), 4);
    HOBJECT again = Mesh();
    EXPECT_EQ(Slot(again), 1);

    // The highest used slot with two free below it lowers the mark by three.
    g_Engine.DeleteObject(again);
    g_Engine.DeleteObject(m[2]);
    EXPECT_EQ(g_Engine.GetHighWaterMark(OT_MESH), 4);
    g_Engine.DeleteObject(m[3]);
    EXPECT_EQ(g_Engine.GetHighWaterMark(OT_MESH), 1);
    g_Engine.DeleteObject(m[0]);
    EXPECT_EQ(g_Engine.GetHighWaterMark(OT_MESH), 0);
    EXPECT_EQ(g_Engine.GetObjectCount(), 0u);

    // Deleting a free slot or null changes nothing.
    g_Engine.DeleteObject(m[0]);
    g_Engine.DeleteObject(nullptr);
    EXPECT_EQ(g_Engine.GetObjectCount(), 0u);
}

TEST_F(WorldTest, LinkedObjectsGoWithTheirOwner)
{
    HOBJECT owner = Mesh("owner");
    HOBJECT a = Light("a");
    HOBJECT b = Sprite("b");
    owner->pLinked1 = a;
    owner->pLinked2 = b;
    a->bLinked = b->bLinked = 1;
    g_Engine.DeleteObject(owner);
    EXPECT_EQ(a->bUsed, 0);
    EXPECT_EQ(b->bUsed, 0);
    EXPECT_EQ(g_Engine.GetObjectCount(), 0u);
}

TEST_F(WorldTest, ObjectsLinkedToEachOtherAreEachDeletedOnce)
{
    HOBJECT first = Mesh("first"); // slot 0
    HOBJECT keeper = Mesh("keeper");
    HOBJECT owner = Mesh("owner");
    HOBJECT child = Light("child");
    ASSERT_EQ(Slot(first), 0);
    owner->pLinked1 = child;
    child->pLinked1 = owner;
    child->bLinked = owner->bLinked = 1;
    g_Engine.DeleteObject(owner);
    EXPECT_EQ(owner->bUsed, 0);
    EXPECT_EQ(child->bUsed, 0);
    // The emptied slot must not be deleted again: the count and the mesh mark
    // still see the two meshes below it.
    EXPECT_EQ(g_Engine.GetObjectCount(), 2u);
    EXPECT_EQ(g_Engine.GetHighWaterMark(OT_MESH), Slot(keeper) + 1);
    EXPECT_EQ(first->bUsed, 1);
    EXPECT_EQ(keeper->bUsed, 1);
}

TEST_F(WorldTest, DisappearRangesNoIntHoldsAreHeldAtItsEnds)
{
    struct Case
    {
        float range;
        int expected;
    };
    for (const Case& c : {Case{-7.9f, -7}, Case{3.0e9f, INT_MAX}, Case{1.0e30f, INT_MAX},
                          Case{-1.0e30f, INT_MIN}, Case{std::numeric_limits<float>::infinity(), INT_MAX},
                          Case{std::numeric_limits<float>::quiet_NaN(), 0}})
    {
        SCOPED_TRACE(c.range);
        EObjectDesc desc;
        std::snprintf(desc.szFileName, sizeof desc.szFileName, "%s", MESH_FILE);
        desc.fDisappearRange = c.range;
        HOBJECT o = g_Engine.AddObject(&desc);
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(o->iDisappearRange, c.expected);
        g_Engine.DeleteObject(o);
    }
}

TEST_F(WorldTest, DeletedLightLeavesNoObjectPointingAtIt)
{
    HOBJECT mesh = Mesh();
    HOBJECT light = Light();
    mesh->apLights[0] = light;
    mesh->iNumLights = 1;
    light->bLightCacheValid = 1;
    g_Engine.DeleteObject(light);
    EXPECT_EQ(mesh->apLights[0], nullptr);

    HOBJECT other = Light();
    mesh->apLights[1] = other;
    other->bLightCacheValid = 1;
    g_Engine.DeleteObject(mesh);
    EXPECT_EQ(other->bLightCacheValid, 0);
}

TEST_F(WorldTest, RefusedAddLeavesTheSlotFreeAndNothingAllocated)
{
    HOBJECT first = Mesh();
    ASSERT_EQ(Slot(first), 0);
    g_Engine.DeleteObject(first);

    EXPECT_EQ(Add(OT_MESH, "meshes\\missing.x"), nullptr);
    EXPECT_EQ(Add(OT_SKINMESH, "models\\missing"), nullptr);
    // Sprites are refused while they are switched off.
    g_Options.DrawSprites = 0;
    EXPECT_EQ(Add(OT_SPRITE, SPRITE_FILE), nullptr);
    g_Options.DrawSprites = 1;
    const std::string log = ConsoleLog();
    EXPECT_NE(log.find("meshes\\missing.x\nMesh Nie Created!"), std::string::npos) << log;
    EXPECT_NE(log.find("models\\missing\nSkinMesh Nie Created!"), std::string::npos) << log;
    EXPECT_EQ(g_Engine.GetObjectCount(), 0u);
    EXPECT_EQ(TrackedObjectRecords(), 0u);
    for (int slot : {0, FIRST_SKINMESH_SLOT, FIRST_SPRITE_SLOT})
    {
        EXPECT_EQ(g_Engine.m_Objects[slot].bUsed, 0) << slot;
        EXPECT_EQ(g_Engine.m_Objects[slot].pBezierFollow, nullptr) << slot;
    }
    EXPECT_EQ(g_Engine.GetHighWaterMark(OT_MESH), 0);
    EXPECT_EQ(Slot(Mesh()), 0);
    EXPECT_EQ(Slot(Sprite()), FIRST_SPRITE_SLOT);
}

TEST_F(WorldTest, LongFileNamesAreReportedAndCutToTheField)
{
    const std::string name127 = "lights\\" + std::string(120, 'a');
    ASSERT_EQ(name127.size(), 127u);
    HOBJECT whole = Add(OT_LIGHT, name127.c_str());
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(std::string(whole->szFileName), name127);
    EXPECT_EQ(Count(ConsoleLog(), "AddObject FileName>126"), 1u);

    const std::string name300 = "lights\\" + std::string(293, 'b');
    HOBJECT cut = Add(OT_LIGHT, name300.c_str());
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(std::string(cut->szFileName), name300.substr(0, 127));
    EXPECT_EQ(Count(ConsoleLog(), "AddObject FileName>126"), 2u) << "one line per long name";

    // A description whose field is full to the last byte is cut too.
    EObjectDesc desc;
    desc.Type = OT_LIGHT;
    std::memset(desc.szFileName, 'c', sizeof desc.szFileName);
    HOBJECT full = g_Engine.AddObject(&desc);
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(std::string(full->szFileName), std::string(127, 'c'));

    const std::string name126(126, 'd');
    const size_t before = Count(ConsoleLog(), "AddObject FileName>126");
    EXPECT_NE(Add(OT_LIGHT, name126.c_str()), nullptr);
    EXPECT_EQ(Count(ConsoleLog(), "AddObject FileName>126"), before);
}

TEST_F(WorldTest, DeleteAllFlaggedAndFarObjects)
{
    HOBJECT keep = Mesh("keep");
    HOBJECT flagged = Mesh("flagged");
    HOBJECT flaggedLight = Light("flaggedLight");
    g_Engine.SetObjectFlags(flagged, OF_NOT_IMPORTANT, OF_NOT_IMPORTANT);
    g_Engine.SetObjectFlags(flaggedLight, OF_NOT_IMPORTANT, OF_NOT_IMPORTANT);

    EXPECT_EQ(g_Engine.DeleteNotImportantObjects(), 2);
    EXPECT_EQ(flagged->bDeletePending, 1);
    EXPECT_EQ(keep->bDeletePending, 0);
    EXPECT_EQ(flagged->bUsed, 1);

    g_Engine.DeleteFlaggedObjects();
    EXPECT_EQ(flagged->bUsed, 0);
    EXPECT_EQ(flaggedLight->bUsed, 0);
    EXPECT_EQ(keep->bUsed, 1);

    HOBJECT window = Add(OT_LIGHT, "meshes\\Big_WINDOWS_02.x");
    EXPECT_EQ(g_Engine.DeleteWindowObjects(), 1);
    EXPECT_EQ(window->bDeletePending, 1);

    // WipeOut: distance from the camera less the radius.
    g_Camera.m_vPosition = D3DXVECTOR3(0, 0, 0);
    const D3DXVECTOR3 near(0, 0, 50), far(0, 0, 500);
    g_Engine.SetObjectPosition(keep, &near, 0);
    HOBJECT distant = Light("distant");
    g_Engine.SetObjectPosition(distant, &far, 0);
    g_Engine.WipeOut(100.0f);
    EXPECT_EQ(keep->bUsed, 1);
    EXPECT_EQ(distant->bUsed, 0);
    EXPECT_NE(ConsoleLog().find("WipeOut complete for "), std::string::npos);
}

TEST_F(WorldTest, NamePrefixesAreReadAndWrittenWithDefaultsWhenMissing)
{
    // A first run: no save folder yet.
    ASSERT_FALSE(std::filesystem::exists("save"));
    g_Engine.LoadNamePrefixes();
    const std::string written = temp->Read("save/NamePrefixes.cfg");
    EXPECT_EQ(written, std::string("m\0\0\0sm\0\0l\0\0\0spr\0", 16));
    EXPECT_STREQ(g_Engine.GetNamePrefix(OT_MESH), "m");
    EXPECT_STREQ(g_Engine.GetNamePrefix(OT_SKINMESH), "sm");
    EXPECT_STREQ(g_Engine.GetNamePrefix(OT_LIGHT), "l");
    EXPECT_STREQ(g_Engine.GetNamePrefix(OT_SPRITE), "spr");
    EXPECT_STREQ(g_Engine.GetNamePrefix(1), "");

    // A prefix that fills its four bytes keeps three.
    temp->Write("save/NamePrefixes.cfg", std::string("ob\0\0skinlt\0\0sp\0\0", 16));
    g_Engine.LoadNamePrefixes();
    EXPECT_STREQ(g_Engine.GetNamePrefix(OT_MESH), "ob");
    EXPECT_STREQ(g_Engine.GetNamePrefix(OT_SKINMESH), "ski");
    EXPECT_STREQ(g_Engine.GetNamePrefix(OT_LIGHT), "lt");
    EXPECT_STREQ(g_Engine.GetNamePrefix(OT_SPRITE), "sp");

    // A short file gives the defaults and a line naming it.
    temp->Write("save/NamePrefixes.cfg", "xx");
    g_Engine.LoadNamePrefixes();
    EXPECT_STREQ(g_Engine.GetNamePrefix(OT_SKINMESH), "sm");
    EXPECT_NE(ConsoleLog().find("save\\NamePrefixes.cfg"), std::string::npos);
}
