#pragma once
// World-file tests: the scene-object fixture plus a snapshot of every manager
// a world file's world-wide lines change, put back after each test.

#include "world_fixture.h"

#include "render/LensFlare.h"
#include "render/PostProcess.h"
#include "render/Renderer.h"
#include "render/SkyLight.h"
#include "shell/GameOptions.h"
#include "world/Camera.h"
#include "world/WorldMgr.h"

#include <cstring>
#include <string>
#include <vector>

namespace worldtest
{
class WorldFile : public WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        savedEnv = Env;
        savedPost = PostProcess;
        savedCamera = g_Camera;
        savedOptions = g_Options;
        std::memcpy(savedTerrain, g_Renderer.m_szTerrainScript, sizeof savedTerrain);
        savedFlare = g_LensFlare;
    }
    void TearDown() override
    {
        Env.DeleteSkyMesh();
        Env = savedEnv;
        PostProcess = savedPost;
        g_Camera = savedCamera;
        g_Options = savedOptions;
        std::memcpy(g_Renderer.m_szTerrainScript, savedTerrain, sizeof savedTerrain);
        g_LensFlare = savedFlare;
        WorldTest::TearDown();
    }

    // Writes worlds\t.w with the lines joined by `end` and loads it.
    bool Load(const std::vector<std::string>& lines, const std::string& end = "\r\n")
    {
        std::string text;
        for (const auto& l : lines)
            text += l + end;
        temp->Write("worlds/t.w", text);
        return g_WorldMgr.LoadWorld("worlds\\t.w");
    }

    static HOBJECT Find(const char* name) { return g_Engine.FindObject(name, 0); }

    // The notes of one kind, as "line:text".
    static std::vector<std::string> Notes(EWorldMgr::NoteKind kind)
    {
        std::vector<std::string> out;
        for (int i = 0; i < g_WorldMgr.GetNoteCount(); ++i)
        {
            const auto& n = g_WorldMgr.GetNote(i);
            if (n.kind == kind)
                out.push_back(std::to_string(n.line) + ":" + n.text);
        }
        return out;
    }
    static std::vector<std::string> Refused() { return Notes(EWorldMgr::NoteKind::Refused); }
    static std::vector<std::string> PassedOver() { return Notes(EWorldMgr::NoteKind::PassedOver); }

    ESkyLight savedEnv;
    EPostProcess savedPost;
    ECamera savedCamera;
    GameOptions savedOptions;
    char savedTerrain[sizeof g_Renderer.m_szTerrainScript] = {};
    ELensFlare savedFlare;
};
} // namespace worldtest
