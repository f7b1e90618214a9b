#pragma once
// GameAI: the level scripts.
// STAND-IN: the world-start call; the game-flow work replaces it.

class GameAI
{
public:
    virtual ~GameAI() = default;
    void PrepareWorldStart() {}
};

inline GameAI g_GameAI;
