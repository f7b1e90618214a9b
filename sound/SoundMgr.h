#pragma once
// CSoundMgr: 2D and 3D sounds, voices and the listener.
// STAND-IN: no sound device yet; sounds are never created, so stopping and
// deleting have nothing to do. The sound work replaces this class.

#include "platform/win32/WinTypes.h"

struct strSound;
struct D3DVECTOR;

class CSoundMgr
{
public:
    virtual ~CSoundMgr() = default;
    bool Initialize(HWND hwnd);
    void StopSound(strSound* sound);
    void DeleteSound(strSound* sound);
    void Release();
    // The engine's calls, empty until the sound work.
    // STAND-IN: the listener's place and the per-frame step of the sounds.
    void SetListenerPosition(const D3DVECTOR&) {}
    void Update() {}
    void StopAllSounds() {}
    void DeleteAllSounds() {}
    void ClearCache() {}
    void PreloadSound(const char*) {}
};

extern CSoundMgr g_SoundMgr;
