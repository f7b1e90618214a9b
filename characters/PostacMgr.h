#pragma once
// CPostacMgr: every non-player character of the running world, from the
// description scripts to the records, alarms, voices, targets and sight.
//
// The members live in several files: PostacMgrScripts.cpp (the description
// scripts), PostacMgr.cpp (records, creation, lookups, deletion),
// PostacMgrAlarms.cpp, PostacMgrHats.cpp (hats, attachments, preloads),
// PostacMgrVoices.cpp, PostacMgrSight.cpp (targets, sight, eyes, attack
// permission and aim sway) and PostacMgrDebug.cpp; shots, wounds, deaths and
// respawns in PostacMgrShots.cpp, the weapon in the hand, casings and corpses
// in PostacMgrWeapons.cpp.

#include "characters/Postac.h"
#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"

#include <cstdio>
#include <memory>

struct RayTestResult;
struct EItemDesc;

// One alarm as a caller asks for it (kept for the console's traces).
struct strAlarmRequest
{
    D3DXVECTOR3 vPosition;
    float fHearing;
    float fOpenLine;
    BYTE bFlagA;
    float fSight;
    DWORD dwLife;
    BYTE bFlagB;
    BYTE bFlagC;
};

class CPostacMgr
{
public:
    static constexpr const char* DESCRIPTIONS_FILE = "scripts\\postacie.txt";
    static constexpr const char* DESCRIPTIONS_FOLDER = "scripts\\postacie\\";
    static constexpr const char* HATS_FILE = "scripts\\character_hats.txt";
    static constexpr const char* MARKER_MODEL = "prefabs\\special\\marker.x";
    static constexpr const char* FAKE_HERO_DESCRIPTION = "_fake_hero";
    static constexpr const char* FAKE_HERO_NAME = "fake_hero";
    static constexpr const char* CONTROL_FAZA = "_control_";
    static constexpr int LINE_CHARS = 256;
    // Level frames before which no character perceives or sees anything.
    static constexpr DWORD SENSES_FRAME = 150;
    static constexpr DWORD INVESTIGATE_FRAME = 240;

    CPostacMgr();
    virtual ~CPostacMgr();
    CPostacMgr(const CPostacMgr&) = delete;
    CPostacMgr& operator=(const CPostacMgr&) = delete;

    // ---- Descriptions (read once per run) ----------------------------------------------
    void LoadDescriptions();
    void ParseDescriptions(const char* path);
    strPostacDsc* AddDescription();
    strPostacDsc* FindDescription(const char* name);
    strFaza* AddFaza(strPostacDsc* desc);
    static strFaza* FindFaza(const strPostacDsc* desc, const char* name);
    const char* RandomEndPhase(const strpostac* p);
    const char* RandomEndSeenPhase(const strpostac* p);
    const char* RandomCloserPhase(const strpostac* p);
    const char* RandomCloserSeenPhase(const strpostac* p);
    void FreeDescriptions();

    // ---- Level start, frame, level end ---------------------------------------------------
    void Init();
    void Update();
    void Release();
    // Drops every description, record, alarm, hat, preload and counter without
    // touching the engine's objects (the tests put the engine back themselves).
    void Forget();

    // ---- Records -------------------------------------------------------------------------
    strpostac* CreateCharacter(strPostacDsc* desc);
    strpostac* CreateCharacterByName(const char* name);
    strpostac* SpawnCharacter(const char* name, const D3DXVECTOR3* position, const EOrientation* orientation);
    void CreateCharacterModel(strpostac* p, const char* fixedModel);
    void CreateFakeHero();
    strpostac* FindCharacterByName(const char* name, bool liveOnly);
    strpostac* FindCharacterByObject(HOBJECT object);
    void MarkCharacter(const char* name, BYTE value);
    void TeleportCharacter(const char* name, const D3DXVECTOR3* position);
    void DeleteCharacter(strpostac* p);
    // The model's lights are given to the objects it wears and holds.
    void ShareModelValues(strpostac* p);
    void DeleteDeadCharacters();
    void DeleteAllCharacters();
    void HitPlayer(strpostac* p);
    void SetLookAt(strpostac* p, const char* target, bool objectOnly);
    void ForceFazaByName(const char* name, const char* faza);
    void ClearTalkFlag(strpostac* p);
    void GetTargetPosition(const strpostac* p, D3DXVECTOR3* out) const;
    void SetLoopSound(strpostac* p, const char* file, float range);
    void UpdateLoopSoundVolume(strpostac* p);
    bool IsMountedByCharacter(const char* object);
    void SetActivateParams(const char* object, const char* path, const char* animation, BYTE b0, BYTE b1,
                           BYTE b2);
    void PlaySoundWithSubtitle(const char* sound, const char* key);
    bool HasContactPhases(const strpostac* p) const;
    // The placed character's object moves with its record.
    void PlaceModel(strpostac* p);

    // A character from a respawner, named after it, with the respawner's
    // weapon and shot settings, in the phase asked for (PostacMgrShots.cpp).
    strpostac* RespawnCharacter(const char* name, const D3DXVECTOR3* position,
                                const EOrientation* orientation, const char* faza, HOBJECT respawner);
    // A live character made by the respawner still exists.
    bool IsAliveFrom(HOBJECT respawner);

    // ---- Goal estimates, suspension and the start of a run (PostacMgrEstimates.cpp) -----
    void EstimateDoPostaci(strpostac* p);
    void EstimatePrzod(strpostac* p);
    void EstimateOdGracza(strpostac* p);
    void EstimateDoGracza(strpostac* p);
    void EstimateDoMesha(strpostac* p);
    void EstimateKryjowka(strpostac* p);
    void EstimateDoStrzalu(strpostac* p);
    void EstimateDoStrzaluSciezkami(strpostac* p);
    bool EstimateKluczy(strpostac* p);
    void EstimateKroczek(strpostac* p, int side);
    void EstimateBok(strpostac* p);
    void EstimatePatrol(strpostac* p);
    void StartPathRun(strpostac* p, bool checkDirection, bool restartHere);
    bool IsSegmentBlocked(const D3DXVECTOR3* point, HOBJECT ignore, const D3DXVECTOR3* target);
    bool IsSideFree(strpostac* p, int side);
    bool IsLeftFree(strpostac* p);
    bool IsRightFree(strpostac* p);
    void SuspendCharacter(strpostac* p);
    bool GoToStandPhase(strpostac* p);
    bool CheckRunBlocked(strpostac* p, bool force);
    // The running animation by the run and aim directions ("bieg" or
    // "idzie_celuje"), chosen anew when forced or when the choice changes.
    void ChooseRunAnimation(strpostac* p, bool force);
    // "bot_stoi" when the description has it, else its default phase.
    const char* StandPhaseName(const strpostac* p) const;
    // The estimate the phase asks for, and the run along its route.
    void LaunchEstimated(strpostac* p);

    // ---- Movement speed, footsteps, speech, look and placing (PostacMgrMove.cpp) --------
    float GetMoveStep(const strpostac* p) const;
    static float AnimationSpeed(const char* animation);
    // The two footstep times of an animation; false for one without steps.
    static bool FootstepTimes(const char* animation, float* first, float* second);
    static const char* FootstepSet(DWORD material);
    // The footstep state (0 to 2) at the animation's time: true when a step sounds.
    static bool FootstepDue(int* state, float time, float first, float second);
    // How far a turn goes towards the look direction this frame.
    static float TurnBlend(float frameTime, bool running, float modObrotu, bool bot, bool engagedRunning);
    void UpdateFootsteps(strpostac* p);
    void UpdateSpeechHead(strpostac* p);
    void PushObject(strpostac* p, const char* object);
    void ClearPath(strpostac* p);
    void UpdateAnimationDetail(strpostac* p, bool forced);
    void SetPosition(strpostac* p, const D3DXVECTOR3& position, const EOrientation& orientation);
    void ChooseLookDirection(strpostac* p);
    void TurnToLook(strpostac* p);
    void UpdateSolidity(strpostac* p);

    // ---- Route movement, scripted runs and riding (PostacMgrRoute.cpp) -----------------
    void UpdateBiegPostaci(strpostac* p);
    void PostacUpdateRuchPostaci(strpostac* p);
    void PartnerUpdateRunTo(strpostac* p);
    void UpdateJazde(strpostac* p);
    void UpdateMount(strpostac* p);
    void UpdateBezier(strpostac* p);
    void PostacRunTo(strpostac* p, const char* mesh, const char* bezier, const char* faza,
                     const char* animation);
    void RunToByName(const char* name, const char* target, const char* bezier, const char* faza,
                     const char* animation);
    // The step length of this frame along a route (0 when nothing may move).
    float RouteStep(strpostac* p);
    // Ends a run: state cleared, place found again, the end phase chosen.
    void EndRun(strpostac* p);

    // ---- The phase machine (PostacMgrPhases.cpp) -------------------------------------------
    // Switches the character to the named phase (case-blind) and carries out
    // everything entering it does. Safe with a null character.
    void SetFaza(strpostac* p, const char* faza);
    // What one pass of the entry asks for: a name to start again with, or "".
    struct EnterResult
    {
        char restart[POSTAC_NAME_SIZE] = {};
    };
    EnterResult EnterFaza(strpostac* p, const char* name);
    // A phase's setfaza0/setfaza1 line: the named character takes the phase
    // unless it is entering a phase already.
    void SetOtherFaza(strpostac* p, const char* faza, const char* character);
    void FinishEntryFromSave(strpostac* p, strFaza* f, bool ride, bool mount, bool bezier);
    void AttachPhaseObject(strpostac* p, const strFaza* f);
    void SayPhaseLine(strpostac* p, const strFaza* f);
    // A phase's "stop_dialogue", "dialogue" and "hero_dialogue" lines.
    void StartPhaseDialogues(strpostac* p, const strFaza* f);
    // The current phase is over (its time, its animation, or at once).
    bool PhaseHasEnded(const strpostac* p) const;
    void CheckPhaseEnd(strpostac* p);
    // Picks the next phase from the ended phase's lists.
    void EndPhase(strpostac* p);

    // ---- The per-frame update (PostacMgrUpdate.cpp) ---------------------------------------
    void UpdateSlot(strpostac* p);
    void UpdatePostac(strpostac* p);
    void BotUpdatePostac(strpostac* p);
    void UpdateCharacter(strpostac* p, bool botVariant);
    void UpdateTargetsAndVisParams(strpostac* p, bool onPhaseChange);
    // The mission scripts' alarm: the live character of that name enters
    // "estimate" unless it is in an estimate or bot phase already.
    void AlarmCharacter(const char* name);
    void UpdateSuspended(strpostac* p);
    void StopSuspended(strpostac* p);
    bool CanInterrupt(const strpostac* p) const;
    bool ShotAllowed(const strpostac* p, bool botVariant) const;
    void SnapToGround(strpostac* p);
    float m_fFrameTime = 0.0f; // the engine's frame time, copied each frame
    bool m_bBars = false;      // the cut-scene bars were up at the frame's start
    // A save game's characters are entering their phases: the entry leaves
    // out what the other sections restored (variables, actions, the kill
    // camera, pushes, shots, routes, speech, dialogues and other characters).
    bool m_bEnteringFromSave = false;

    // ---- Combat stances, leans, rockets and the scope glint (PostacMgrStances.cpp) --------
    void ChangeStance(strpostac* p);
    void StartShootingPose(strpostac* p);
    void StartLean(strpostac* p, int side);
    void UpdateLean(strpostac* p);
    int ChooseLeanSide(strpostac* p);
    void StartGrenadeThrow(strpostac* p);
    // 0 when the rocket may be fired, else the first reason (1 to 9) it may not.
    int CanFireRocket(strpostac* p);
    void StartRocket(strpostac* p);
    void UpdateRocket(strpostac* p);
    void PlaceLauncher(strpostac* p);
    void UpdateSniperGlint(strpostac* p);
    void FirePhaseRocket(strpostac* p);
    bool IsNearKind4096(strpostac* p);
    // Starts a stance, pose or lean animation (resolved for the character) and
    // restarts the blend timer; a missing animation keeps the one playing.
    void StartStanceAnimation(strpostac* p, const char* name, BYTE loop, float blend, float speed);
    // The lean's two test points, beside the character (side -1 left, +1 right).
    static D3DXVECTOR3 LeanPoint(const strpostac* p, int side);

    // ---- The bots' combat choice and grenade throw (PostacMgrCombat.cpp) -----------------
    void BotUpdate(strpostac* p);
    // The per-frame update's share for the stances: the lean timers grow by
    // the frame time, the rocket cool-down falls to 0 (the stance, blend and
    // choice timers are the update's own).
    void AdvanceCombatTimers(strpostac* p, float frameTime);
    // The stages of a bot's grenade throw, each frame while it is under way.
    void UpdateGrenadeThrow(strpostac* p);
    // The ground under the character becomes its position (the choice's snap).
    void SnapBotToGround(strpostac* p);
    // The main choice's "move to shoot".
    void BotDoStrzalu(strpostac* p, bool snap);
    // Bot choices made since the last reset, and the segment tests they made
    // themselves (those through IsSegmentBlocked count with the senses).
    DWORD m_iBotChoices = 0;
    DWORD m_iBotSegmentTests = 0;

    // ---- Shooting, wounds, death and respawn (PostacMgrShots.cpp) -------------------------
    void UpdateStrzal(strpostac* p);
    void StrzalWlasciwy(strpostac* p, bool single);
    void OnBulletHit(strpostac* p, HOBJECT shooter, const D3DXVECTOR3* point, const RayTestResult* hit,
                     const EItemDesc* weapon, bool quiet);
    // The damage factor of one bullet hit (the hit part, difficulty, running,
    // wound, partner shooter, armour, the hero riding or at a gun, hero head shots).
    float HitDamageFactor(const strpostac* p, HOBJECT shooter, DWORD part, const EItemDesc* weapon) const;
    void ApplyExplosion(const D3DXVECTOR3* position, float power);
    void Zabij(strpostac* p, const D3DXVECTOR3* killer, const D3DXVECTOR3* point, const RayTestResult* zone,
               bool physics, bool knife, bool quiet);
    void KillByKnife(HOBJECT object);
    // The object a phase attached to the character leaves the body: a
    // skinned one is released and pushed away, another kind is deleted.
    void DropAttachedObject(strpostac* p);
    // Health fell across a threshold of the phase's or the description's
    // health-detect lists: that phase is set.
    void HealthDetect(strpostac* p, float before);
    // The spread (radians) of the character's next shot with the weapon:
    // the weapon's own, widened by a nearby blast and the burst's first shots,
    // narrowed for snipers and for a bot crouching or lying.
    float ShotSpread(const strpostac* p, const EItemDesc& weapon) const;
    // A shooter object that spares the characters near it.
    static bool SparesNearby(HOBJECT shooter, const D3DXVECTOR3& at);
    // Kills made by the hero's shots since the program started.
    int m_iPlayerKills = 0;
    // The forced run target of the respawns (none while empty).
    char m_szForcedRunTarget[POSTAC_NAME_SIZE] = {};

    // ---- Weapon placement, casings and death effects (PostacMgrWeapons.cpp) --------------
    void UpdatePozycjeGanow(strpostac* p);
    void GetWeaponSocketTransform(strpostac* p, D3DXVECTOR3* position, EOrientation* orientation);
    void EjectCasing(strpostac* p);
    void NewBurst(strpostac* p);
    void PlayDeathAnimation(strpostac* p);
    void DropWeapon(strpostac* p);
    bool PlayCrouchWound(strpostac* p, int variant);
    void UpdateCorpse(strpostac* p);
    void AlignCorpseToMarker(strpostac* p);
    void KeepCorpseOnObject(strpostac* p);
    void AddDeathMarker(strpostac* p, const D3DXVECTOR3* hit);
    // The death marker while its slot still holds the object it was given.
    static HOBJECT DeathMarker(const strpostac* p);
    static void DeleteDeathMarker(strpostac* p);
    // The laser sight of a weapon with a laser socket: its beam shines from
    // the socket along the weapon to the first thing it meets, and follows
    // the weapon while the character lives. Removing it is safe without one.
    void UpdateLaserBeam(strpostac* p);
    void RemoveLaserBeam(strpostac* p);
    static bool HasLaserSight(const strpostac* p);
    // The weapon point: the muzzle when it is known, else the weapon, else
    // the eyes.
    static D3DXVECTOR3 WeaponPoint(const strpostac* p);
    // Casings started since the program started.
    int m_iCasings = 0;

    // ---- Save section (PostacMgrSave.cpp) -------------------------------------------------
    // The "PMgr" section. Load is false when the section ends early or holds a
    // record it cannot read through; the records before it stay created.
    bool Save(FILE* file);
    bool Load(FILE* file);

    // ---- Alarms --------------------------------------------------------------------------
    void AddAlarm(const D3DXVECTOR3* position, float hearing, float openLine, BYTE flagA, float sight,
                  DWORD life, BYTE flagB, BYTE flagC);
    void ClearAlarms();
    void AgeAlarms();
    bool PerceivesAlarm(strpostac* p, bool flaggedOnly);
    void InvestigateAlarms(strpostac* p);

    // ---- Hats, attachments, preloads ------------------------------------------------------
    void LoadHats();
    void ClearHats();
    void AddHat(strpostac* p);
    void PlaceHat(strpostac* p);
    void AddRandomAttachments(strpostac* p);
    void UpdateAttachments(strpostac* p);
    void PreloadCharacterSounds(const char* name);
    void PreloadModel(const char* name);
    void ReleasePreloads();
    void PreloadPainVoices();

    // ---- Voices --------------------------------------------------------------------------
    void ShoutAlarm(strpostac* p);
    void CryWounded(strpostac* p, bool forced);
    void CryDeath(strpostac* p);
    // The wave file of a dialogue line, in one static buffer; "" when none.
    static const char* FindDialogueWav(const int* counter, const char* label, bool variants);
    // The file of a voice set for the character and a drawn number.
    static void AlarmShoutFile(const strpostac* p, int number, char* out, size_t size);

    // ---- Targets, sight, eyes, attack permission ------------------------------------------
    void ChooseTarget(strpostac* p);
    void UpdateTargetPoint(strpostac* p);
    bool CanSee(strpostac* p, const D3DXVECTOR3* target, HOBJECT targetObject, const D3DXVECTOR3* eye);
    void UpdateVision(strpostac* p);
    void PlaceEyes(strpostac* p);
    void UpdateTalkLook(strpostac* p);
    void AssignShooters();
    void UpdateAimSway(strpostac* p, float frameTime);

    // ---- Debug drawing ---------------------------------------------------------------------
    void DebugDraw();
    void DrawPaths();
    void DrawPathPoints(strpostac* p);
    void DrawNodePoints(strpostac* p);
    void DrawCharacterLabels();
    // The event script's "characters": one console line per character with
    // its description, phase, parts, target and senses, then the alarm count.
    static void RegisterScriptActions();
    // The state lines drawn over a character, one after another, '\n' between.
    void FormatCharacterLabel(const strpostac* p, char* out, size_t size) const;

    // ---- State ------------------------------------------------------------------------------
    HOBJECT m_hPreloaded[MAX_PRELOADED_MODELS] = {};
    char m_szPreloaded[MAX_PRELOADED_MODELS][POSTAC_PATH_SIZE] = {};
    // The vertex format of the debug lines: a position and a diffuse colour.
    DWORD m_dwViewLineFVF = 66;
    DWORD m_iFarLimit = 1300;
    DWORD m_iFarCountLimit = 3;
    strAlarm m_Alarms[MAX_ALARMOW] = {};
    strPostacDsc* m_Descriptions = nullptr; // MAX_POSTAC_DESCRIPTIONS records
    strpostac* m_Postacie = nullptr;        // MAX_POSTACI records
    strCzapki m_Czapki[MAX_CZAPEK] = {};
    DWORD m_iCzapki = 0;
    D3DXVECTOR3 m_vModelScale = {0.01f, 0.01f, 0.01f};
    // The pending order of a mission script's "activate" for the next respawns.
    HOBJECT m_hActivateObject = nullptr;
    char m_szActivatePath[256] = {};
    char m_szActivateAnim[POSTAC_NAME_SIZE] = {};
    BYTE m_bActivate[3] = {};

    // Counted for the console's traces and the tests.
    int m_iAlarms = 0; // alarms asked for since the program started
    strAlarmRequest m_LastAlarm = {};
    int m_iDeleteDeadRequests = 0;
    // Segment tests made by the senses since the last reset.
    DWORD m_iSegmentTests = 0;
    // Footsteps played since the program started.
    int m_iFootsteps = 0;

private:
    std::unique_ptr<strPostacDsc[]> m_DescriptionStore;
    std::unique_ptr<strpostac[]> m_PostacStore;
};

extern CPostacMgr PMgr;
