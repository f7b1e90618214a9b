#pragma once
// World-file tests: the scene-object fixture (whose snapshot of the manager
// globals puts back what world-wide lines change) with helpers to load a world.

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
    void TearDown() override
    {
        // The sky mesh is an object of the table: it goes before the table is checked.
        Env.DeleteSkyMesh();
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
};
} // namespace worldtest
