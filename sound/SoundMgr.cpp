// STAND-IN: see SoundMgr.h.
#include "sound/SoundMgr.h"

CSoundMgr g_SoundMgr;

bool CSoundMgr::Initialize(HWND)
{
    return false;
}
void CSoundMgr::StopSound(strSound*) {}
void CSoundMgr::DeleteSound(strSound*) {}
void CSoundMgr::Release() {}
