// CPlayerWeapons: the "Bronie" section of save games.
//
// The timers, nine flag bytes, the grenade count and state, sixteen values of
// the model's motion, the animation name, the weapon in hand by kind, each
// slot's kind and carried-weapon record (72 bytes), the ten counters, the
// pending weapon's kind and the camera pose. Weapons are found again by kind
// among the carried items the "ItemMgr" section made.
#include "player/PlayerWeapons.h"

#include "player/ItemMgr.h"
#include "shell/Console.h"
#include "shell/SaveFile.h"
#include "sound/SoundMgr.h"
#include "world/Engine.h"

#include <cstring>

namespace
{
constexpr DWORD NO_KIND = 65535;
constexpr DWORD HIDDEN_FLAGS = 128;
constexpr int kDwordBytes = 4;
constexpr int kByteBits = 8;
constexpr int kRecordMagazineAt = 1 + WEAPON_RECORD_NAME;
static_assert(kRecordMagazineAt + kDwordBytes == WEAPON_RECORD_SIZE, "a carried-weapon record is 72 bytes");

DWORD KindOf(const EItemInstance* w)
{
    return w && w->m_pDesc ? w->m_pDesc->Unique_Id : NO_KIND;
}

void PackRecord(const WeaponRecord& r, BYTE* out)
{
    out[0] = r.used;
    std::memcpy(out + 1, r.name, WEAPON_RECORD_NAME);
    for (int i = 0; i < kDwordBytes; ++i)
        out[kRecordMagazineAt + i] = static_cast<BYTE>(r.magazine >> (kByteBits * i));
}

void UnpackRecord(const BYTE* in, WeaponRecord* r)
{
    r->used = in[0] ? 1 : 0;
    std::memcpy(r->name, in + 1, WEAPON_RECORD_NAME);
    r->name[WEAPON_RECORD_NAME - 1] = 0;
    r->magazine = 0;
    for (int i = 0; i < kDwordBytes; ++i)
        r->magazine |= static_cast<DWORD>(in[kRecordMagazineAt + i]) << (kByteBits * i);
}
} // namespace

bool CPlayerWeapons::Save(FILE* file)
{
    if (!file)
        return false;
    bool ok = WriteFloat(file, drawTimer);
    ok &= WriteFloat(file, knifeProgress);
    ok &= WriteBool(file, pendingAnimLoop != 0);
    ok &= WriteString(file, currentAnim);
    for (BYTE b : {currentAnimLoop, triggerReleased, aiming, refreshProjection, holstered, currentAnimLoop,
                   laserOn, triggerHeld})
        ok &= WriteBool(file, b != 0);
    ok &= WriteDword(file, grenades);
    ok &= WriteDword(file, state);
    for (float f :
         {yaw, aimProgress, sway, kickBack, moveTimer, stillTimer, steadyTimer, turnTimer, switchPhase,
          switchDirection, prevYaw, wheelReference, recoilStrength, kickDecay, recoilDecay, 0.0f})
        ok &= WriteFloat(file, f);
    ok &= WriteBytes(file, currentAnim, sizeof currentAnim);
    ok &= WriteDword(file, KindOf(current));
    for (int k = 0; k < MAX_ROZNYCH_BRONI; ++k)
    {
        ok &= WriteDword(file, KindOf(slots[k]));
        BYTE record[WEAPON_RECORD_SIZE];
        PackRecord(records[k], record);
        ok &= WriteBytes(file, record, sizeof record);
    }
    for (DWORD c : counters)
        ok &= WriteDword(file, c);
    ok &= WriteDword(file, KindOf(pending));
    ok &= WriteOrientation(file, &cameraOrientation);
    ok &= WriteVector(file, &cameraPosition);
    return ok;
}

bool CPlayerWeapons::Load(FILE* file)
{
    if (!file)
        return false;
    StopWeaponSound();
    // The section is read whole before any of it is used, so a damaged one
    // changes nothing but the hand, which is emptied.
    CPlayerWeapons in = *this;
    bool ok = ReadFloat(file, &in.drawTimer);
    ok = ok && ReadFloat(file, &in.knifeProgress);
    ok = ok && ReadBool(file, &in.pendingAnimLoop);
    ok = ok && ReadString(file, in.currentAnim);
    // Eight more flag bytes; the second copy of the loop flag restarts the
    // saved animation as it was playing.
    BYTE* flags[] = {&in.currentAnimLoop, &in.triggerReleased, &in.aiming,  &in.refreshProjection,
                     &in.holstered,       &in.pendingAnimLoop, &in.laserOn, &in.triggerHeld};
    for (BYTE* b : flags)
        ok = ok && ReadBool(file, b);
    ok = ok && ReadDword(file, &in.grenades);
    ok = ok && ReadDword(file, &in.state);
    float reserved = 0.0f;
    float* values[] = {
        &in.yaw,        &in.aimProgress,    &in.sway,           &in.kickBack,    &in.moveTimer,
        &in.stillTimer, &in.steadyTimer,    &in.turnTimer,      &in.switchPhase, &in.switchDirection,
        &in.prevYaw,    &in.wheelReference, &in.recoilStrength, &in.kickDecay,   &in.recoilDecay,
        &reserved};
    for (float* f : values)
        ok = ok && ReadFloat(file, f);
    ok = ok && ReadBytes(file, in.pendingAnim, sizeof in.pendingAnim);
    in.pendingAnim[sizeof in.pendingAnim - 1] = 0;
    DWORD currentId = NO_KIND;
    ok = ok && ReadDword(file, &currentId);
    DWORD slotIds[MAX_ROZNYCH_BRONI] = {};
    for (int k = 0; k < MAX_ROZNYCH_BRONI && ok; ++k)
    {
        ok = ReadDword(file, &slotIds[k]);
        BYTE record[WEAPON_RECORD_SIZE];
        ok = ok && ReadBytes(file, record, sizeof record);
        if (ok)
            UnpackRecord(record, &in.records[k]);
    }
    for (DWORD& c : in.counters)
        ok = ok && ReadDword(file, &c);
    DWORD pendingId = NO_KIND;
    ok = ok && ReadDword(file, &pendingId);
    ok = ok && ReadOrientation(file, &in.cameraOrientation);
    ok = ok && ReadVector(file, &in.cameraPosition);

    current = nullptr;
    pending = nullptr;
    state = WS_IDLE;
    currentKind = NO_WEAPON_KIND;
    if (!ok)
    {
        g_Console.Print("ERROR in CPlayerWeapons::Load(): the Bronie section is damaged or cut short");
        return false;
    }

    const HOBJECT grenade = grenadeObject;
    const HOBJECT knife = knifeObject;
    *this = in;
    grenadeObject = grenade;
    knifeObject = knife;
    weaponSound = nullptr;
    current = nullptr;
    pending = nullptr;
    currentKind = NO_WEAPON_KIND;
    // Values no running game can reach are brought back within their ranges.
    if (grenades > MAX_GRENADES)
        grenades = MAX_GRENADES;
    const bool knownState = state == WS_IDLE || state == WS_RELOADING || state == WS_FIRING ||
                            state == WS_SWITCHING || state == WS_DRAWING || state == WS_GRENADE_THROW ||
                            state == WS_GRENADE_RAISE || state == WS_SPRINTING;
    if (!knownState)
        state = WS_IDLE;
    for (int k = 0; k < MAX_ROZNYCH_BRONI; ++k)
        slots[k] = slotIds[k] == NO_KIND ? nullptr : ItemMgr.FindCarriedByUniqueId(slotIds[k]);

    grenadeHandBlend = 0.0f;
    grenadeRaise = 0.0f;
    grenadeInHand = 0;
    throwTimer = 0.0f;
    grenadeReleased = 0;
    g_Engine.SetObjectFlags(grenadeObject, HIDDEN_FLAGS, ~0u);
    if (state == WS_GRENADE_THROW || state == WS_GRENADE_RAISE)
        state = WS_GRENADE_RAISE;
    // A switch under way is not resumed: the saved weapon is taken at once.
    switchDirection = 0.0f;
    switchPhase = 0.0f;
    if (state == WS_SWITCHING)
        state = WS_IDLE;
    if (currentId < MAX_ROZNYCH_BRONI)
        SelectImmediate(currentId);
    if (current)
        PlayIdleAnim();
    return true;
}
