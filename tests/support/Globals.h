#pragma once
// One snapshot of the game's manager globals for tests: made when a fixture
// starts, put back when it ends, so no test sees what another left behind.
// The list of globals is in Globals.cpp, one row per manager; a new manager
// global gets a row there.

#include <memory>
#include <vector>

class GlobalsSnapshot
{
public:
    // Saves every manager global.
    GlobalsSnapshot();
    // Puts every one back as it was.
    ~GlobalsSnapshot();
    GlobalsSnapshot(const GlobalsSnapshot&) = delete;
    GlobalsSnapshot& operator=(const GlobalsSnapshot&) = delete;

    struct Saved
    {
        virtual ~Saved() = default;
        virtual void Restore() = 0;
    };

private:
    std::vector<std::unique_ptr<Saved>> m_saved;
};
