#pragma once
// Notes of the game layer's fixed steps as they run (the level's start and
// end, the start-up milestones with their level frame), kept only while a
// test asks for them, so a test can check what ran and in which order.

#include <string>
#include <vector>

// Starts (and empties) or stops the notes.
void TkRecordGameSteps(bool on);
void TkNoteGameStep(const char* name);
const std::vector<std::string>& TkGameStepLog();
