// The characters' save section: an empty section, a record saved and loaded
// again, a record whose description is gone read through its model so the
// next record still reads, a route count out of range, and sections cut short.
#include "characters_fixture.h"

#include "mesh/SkinMesh.h"
#include "player/ItemMgr.h"
#include "shell/SaveFile.h"

#include <cstring>

using namespace chartest;

namespace
{
constexpr const char* kModel = "models\\soldier\\soldier.x";

std::string SaveSection()
{
    FILE* f = std::tmpfile();
    ResetSaveFileErrors();
    EXPECT_TRUE(PMgr.Save(f));
    std::string bytes(static_cast<size_t>(std::ftell(f)), '\0');
    std::rewind(f);
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    return bytes;
}

bool LoadSection(const std::string& bytes)
{
    FILE* f = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    ResetSaveFileErrors();
    const bool ok = PMgr.Load(f) && !g_bSaveReadFailed;
    std::fclose(f);
    return ok;
}

int CountCharacters()
{
    int n = 0;
    for (int i = 0; i < MAX_POSTACI; ++i)
        n += PMgr.m_Postacie[i].used && !PMgr.m_Postacie[i].player_record ? 1 : 0;
    return n;
}
} // namespace

class CharacterSaveTest : public CharactersTest
{
protected:
    void SetUp() override
    {
        CharactersTest::SetUp();
        Figure("soldier");
        temp->Write("scripts/items.txt",
                    std::string("item Rifle\nName Rifle\nWeapon\nUnique_Id 1\nDrop_Object ") + BOX_MESH +
                        "\nHeld_Object " + BOX_MESH + "\n");
        ItemMgr.LoadDescriptions();
        Scripts(std::string("postac soldier\nmodel ") + kModel + "\nweapon Rifle\nfaza stoi\nfaza lezy\n" +
                "postac guard\nmodel " + kModel + "\nfaza stoi\n");
        PMgr.Init();
    }
    strpostac* Made(const char* desc, const char* name, const D3DXVECTOR3& at)
    {
        strpostac* p = Character(desc, at, name);
        PMgr.CreateCharacterModel(p, nullptr);
        EXPECT_NE(p->model, nullptr);
        p->faza = CPostacMgr::FindFaza(p->desc, "stoi");
        return p;
    }
};

TEST_F(CharacterSaveTest, AnEmptySectionIsOneByteAndAGhostOrThePlayerRecordIsNeverSaved)
{
    EXPECT_EQ(SaveSection(), std::string(1, '\0'));
    strpostac* ghost = Made("guard", "g", D3DXVECTOR3(1, 0, 1));
    ghost->ghost = 1;
    EXPECT_EQ(SaveSection(), std::string(1, '\0'));
}

TEST_F(CharacterSaveTest, RecordsComeBackAsSavedAndADeadOneWithoutItsWeapon)
{
    strpostac* alive = Made("soldier", "s1", D3DXVECTOR3(5, 0, 5));
    alive->hit_points = 42.0f;
    alive->postac_running = 1;
    alive->path_point_count = 3;
    alive->path_points[2] = D3DXVECTOR3(9, 0, 9);
    alive->saved.run_node_timer = 1.5f;
    std::strcpy(alive->remembered_faza, "lezy");
    strpostac* dead = Made("soldier", "s2", D3DXVECTOR3(-5, 0, 5));
    dead->dead = 1;
    dead->faza = CPostacMgr::FindFaza(dead->desc, "lezy");
    ASSERT_NE(dead->weapon, nullptr);
    const std::string first = SaveSection();
    EXPECT_EQ(first[0], 1);

    PMgr.DeleteAllCharacters();
    ASSERT_EQ(CountCharacters(), 0);
    ASSERT_TRUE(LoadSection(first));
    EXPECT_EQ(CountCharacters(), 2);
    strpostac* a = PMgr.FindCharacterByName("s1", true);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->hit_points, 42.0f);
    EXPECT_EQ(a->path_point_count, 3u);
    EXPECT_EQ(a->path_points[2], D3DXVECTOR3(9, 0, 9));
    EXPECT_EQ(a->saved.run_node_timer, 1.5f);
    EXPECT_STREQ(a->remembered_faza, "lezy");
    EXPECT_STREQ(a->faza->name, "stoi");
    EXPECT_NE(a->weapon, nullptr);
    strpostac* d = PMgr.FindCharacterByName("s2", false);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->dead, 1);
    EXPECT_EQ(d->weapon, nullptr);
    EXPECT_EQ(d->model->dwFlags3, 0x10u);
    EXPECT_EQ(a->model->dwFlags3, 2u);
    // Saved again, the section is the same bytes.
    EXPECT_TRUE(SaveSection() == first);
}

TEST_F(CharacterSaveTest, ARecordWithoutItsDescriptionIsReadThroughAndTheNextStillLoads)
{
    Made("guard", "first", D3DXVECTOR3(1, 0, 1));
    strpostac* second = Made("soldier", "second", D3DXVECTOR3(2, 0, 2));
    second->path_point_count = 10000;
    second->path_index = 20000;
    std::string bytes = SaveSection();
    // The first record names a description no script has.
    const size_t at = bytes.find("guard");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 5, "gone!");

    PMgr.DeleteAllCharacters();
    ASSERT_TRUE(LoadSection(bytes));
    EXPECT_EQ(CountCharacters(), 1);
    EXPECT_EQ(PMgr.FindCharacterByName("first", false), nullptr);
    strpostac* p = PMgr.FindCharacterByName("second", true);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->path_point_count, static_cast<DWORD>(MAX_ROUTE_POINTS - 1));
    EXPECT_EQ(p->path_index, MAX_ROUTE_POINTS - 1);

    // Without its model file too, the section stops: no later byte is taken for a record.
    std::string noModel = bytes;
    const size_t model = noModel.find("soldier.x");
    ASSERT_NE(model, std::string::npos);
    noModel.replace(model, 7, "missing");
    PMgr.DeleteAllCharacters();
    EXPECT_FALSE(LoadSection(noModel));
}

TEST_F(CharacterSaveTest, ASectionCutAnywhereFailsWithoutReadingOn)
{
    Made("soldier", "s1", D3DXVECTOR3(5, 0, 5));
    const std::string bytes = SaveSection();
    for (size_t cut : {size_t(0), size_t(1), size_t(70), size_t(400), bytes.size() / 2, bytes.size() - 1})
    {
        SCOPED_TRACE(cut);
        PMgr.DeleteAllCharacters();
        EXPECT_FALSE(LoadSection(bytes.substr(0, cut)));
    }
}
