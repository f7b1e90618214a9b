#pragma once
// QuestSystem: the mission scripts with their warzones.
// STAND-IN: only the console command "DebugWarzones"; the mission-script work
// replaces this file with the whole QuestSystem.

class QuestSystem
{
public:
    virtual ~QuestSystem() = default;

    // Prints "Active warzones: " and the list (none exist yet).
    void PrintActiveWarzones();
    void ApplyFarZ() {}
    // STAND-IN: the mission scripts' level start, frame, level end and the
    // debug line drawn over the HUD.
    void LoadScripts() {}
    void Update() {}
    void Reset() {}
    void RenderDebugLine() {}
    // STAND-IN: the fail-on-shot trigger comes with the mission scripts; until
    // then the shots the hero fires are only counted.
    void OnPlayerShot() { ++m_iPlayerShots; }
    int m_iPlayerShots = 0;
};

extern QuestSystem g_QuestSystem;
