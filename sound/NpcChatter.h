#pragma once
// CNpcChatter: ambient conversations between idle characters.
// STAND-IN: nobody chats; the music work replaces it.

class CNpcChatter
{
public:
    virtual ~CNpcChatter() = default;
    void Reset() {}
    void Update() {}
    void FreeSound() {}
};

inline CNpcChatter g_NpcChatter;
