// STAND-IN: see QuestSystem.h.
#include "game/QuestSystem.h"

#include "shell/Console.h"

QuestSystem g_QuestSystem;

void QuestSystem::PrintActiveWarzones()
{
    g_Console.Print("Active warzones: ");
}
