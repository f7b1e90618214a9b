#pragma once
// The headless event script (TK_SCRIPT): lines "frame N: action args", played
// as a player would at the Nth pass of the frame loop. The window layer knows
// the key, text, mouse and quit actions; other layers add their own verbs
// (the device adds "device lost" and "device restored").

#include <string>

// Handler of one verb; gets the rest of the line after the verb. Returns false
// when the arguments make no sense (the script reports the line).
typedef bool (*TkScriptHandler)(const std::string& args);

void TkRegisterScriptAction(const char* verb, TkScriptHandler handler);
// Runs a registered verb; false when there is none or it refused its arguments.
bool TkRunScriptAction(const std::string& verb, const std::string& args);
