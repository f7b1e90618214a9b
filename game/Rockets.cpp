#include "game/Rockets.h"

#include "environment/FxInstance.h"
#include "environment/FxMgr.h"
#include "player/ItemMgr.h"
#include "shell/Orientation.h"
#include "sound/SoundMgr.h"
#include "world/Engine.h"

#include <cmath>

EFxInstance* LaunchWorldRocket(const RocketLaunch& launch)
{
    const float length = D3DXVec3Length(&launch.vDirection);
    if (!(length > 0.0f) || !std::isfinite(length) || !(launch.fSpeed > 0.0f))
        return nullptr;
    const D3DXVECTOR3 along = launch.vDirection / length;
    EOrientation orientation;
    orientation.SetDirection(&along);
    EFxInstance* fx = g_FxMgr.CreateFxByName(ROCKET_FLIGHT_EFFECT, &launch.vFrom, &orientation);
    // The pool's first record stands for "nothing started": never write into it.
    if (!fx || fx == g_FxMgr.Reserved())
        return nullptr;
    fx->m_hShooter = launch.hShooter;
    fx->m_bRocket = 1;
    fx->m_vVel = along * launch.fSpeed;
    if (launch.fLifeLeft > 0.0f)
        fx->m_fLifeLeft = launch.fLifeLeft;
    fx->m_pWeapon = ItemMgr.FindDescription(ROCKET_ITEM);
    if (launch.szSound && launch.szSound[0])
        fx->m_pSound =
            g_SoundMgr.CreateSound3DAt(launch.szSound, &launch.vFrom, launch.fSoundRange, true, true);
    return fx;
}
