#pragma once
// The engine's fixed orders as step tables: start-up, the frame update, the
// release before a world is loaded, the set-up after it, and the world reset.
// Each row is one manager call; adding a manager adds a row where its call
// belongs. One runner runs a table, and can record each step's name so tests
// see the order that really ran.

#include <cstddef>
#include <string>
#include <vector>

struct EEngineStep
{
    const char* name; // "Class::Method" of the call
    void (*run)();
};

struct EEnginePhase
{
    const char* name;
    const EEngineStep* steps;
    size_t count;
};

// EEngine::Init, after the engine's own fields are set.
extern const EEnginePhase kEngineInitPhase;
// EEngine::Update, once the focus and start-up checks have passed.
extern const EEnginePhase kEngineUpdatePhase;
// What EEngine::StartWorld lets go before it reads the new world.
extern const EEnginePhase kWorldUnloadPhase;
// EEngine::PostLoadSetup, after the world and its objects are read.
extern const EEnginePhase kPostLoadPhase;
// EEngine::ResetWorld.
extern const EEnginePhase kResetWorldPhase;

void RunEnginePhase(const EEnginePhase& phase);

// Switches recording of the steps run on or off; either way the record starts empty.
void TkRecordEngineSteps(bool on);
const std::vector<std::string>& TkEngineStepLog();
