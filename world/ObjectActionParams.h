#pragma once
// EObjectActionParams: what an object does when its scripted actions run.
// STAND-IN: only the leading word that says whether the object has actions;
// the rest of the record is kept as the bytes a save game stores. The
// object-action work replaces this with the whole record and its interpreter.

#include "platform/win32/WinTypes.h"

#include <cstring>

struct EObjectActionParams
{
    static constexpr int STORED_SIZE = 5608;
    static constexpr int REST_SIZE = STORED_SIZE - 4;

    EObjectActionParams() { Reset(); }
    void Reset() { std::memset(this, 0, sizeof *this); }

    DWORD dwEnabled;       // 0: the object has no actions
    BYTE aRest[REST_SIZE]; // the fields after it, in their stored layout
};
