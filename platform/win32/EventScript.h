#pragma once
// The event script (TK_SCRIPT): lines "frame N: action args", played as a
// player would at the Nth frame of the main loop (frames count from 1; see
// Headless.h). Line ends LF, CRLF or CR; blank lines and lines starting with
// '#' are ignored. The window layer knows these actions:
//   key down NAME | key up NAME   a key (names as Keys.h: "A", "F1", "Escape")
//   key press NAME                down at its frame, up at the next frame, so
//                                 the keyboard poll of one frame sees it held
//   type TEXT                     one WM_CHAR per character of the rest of the line
//   mouse move DX DY              relative movement in counts
//   mouse down N | mouse up N     button 0 left, 1 right, 2 middle
//   mouse wheel N                 N notches (negative towards the player)
//   close                         WM_CLOSE to the main window (the player closing it)
//   quit                          PostQuitMessage(0)
//   wait NAME N                   holds the script until the value other layers
//                                 publish under NAME (TkRegisterScriptValue,
//                                 such as the game's "level frame") reaches N;
//                                 the frames spent waiting do not count, so
//                                 "frame 5: wait level frame 201" then
//                                 "frame 6: screenshot" shoots one frame later
// Other layers add their own verbs (the device adds "device lost" and "device
// restored"); a verb may have several words, the longest registered one wins.
// A malformed line, a line longer than 1024 characters or an unknown verb is
// one stderr line naming the file and line number; the rest still plays.

#include <cstddef>
#include <cstdint>
#include <string>

// Handler of one verb; gets the rest of the line after the verb. Returns false
// when the arguments make no sense (the script reports the line).
typedef bool (*TkScriptHandler)(const std::string& args);

void TkRegisterScriptAction(const char* verb, TkScriptHandler handler);
// A value the script's "wait" can wait for, under a name of one or more words.
typedef uint32_t (*TkScriptValue)();
void TkRegisterScriptValue(const char* name, TkScriptValue read);
// False when no value of that name is registered.
bool TkReadScriptValue(const std::string& name, uint32_t& out);
// Runs a registered verb; false when there is none or it refused its arguments.
bool TkRunScriptAction(const std::string& verb, const std::string& args);
bool TkHasScriptAction(const std::string& verb);
// The most words any registered verb has ("device lost": 2).
size_t TkLongestScriptVerbWords();

// One line of a script. Built-in actions are checked when the line is read and
// keep their verb ("key down") and arguments ("A"); any other action keeps its
// whole text in `args` with an empty verb, and finds its verb when played
// (layers register their verbs as they start).
struct TkScriptEvent
{
    uint32_t frame = 0;
    std::string verb;
    std::string args;
    int a = 0; // built-in actions: key vk, mouse dx, button or notches
    int b = 0; // built-in actions: key scan code, mouse dy
    int line = 0;
};

enum class TkScriptLineKind
{
    Event,   // `out` holds it
    Nothing, // blank or comment
    Error,   // `error` says what is wrong
};

// Reads one line (without its line end).
TkScriptLineKind TkParseScriptLine(const std::string& line, TkScriptEvent& out, std::string& error);

// Replaces the script with the file's (through the path resolver); false with
// a stderr line when it cannot be read.
bool TkLoadScriptFile(const char* path);
// Replaces the script with this text; `sourceName` names it in error lines.
void TkLoadScriptText(const std::string& text, const char* sourceName);
// Lines read into the current script (errors and comments left out).
size_t TkScriptEventCount();
// Runs the actions of one frame: keys held by "key press" at the frame before
// are released first, then the frame's lines in file order.
void TkPlayScriptFrame(uint32_t frame);
// True when a line of a frame after `frame` runs a registered verb whose first
// word is `firstWord` (such as "dialog"); reads TK_SCRIPT first when due.
bool TkScriptHasActionAfter(uint32_t frame, const char* firstWord);
// No script; TK_SCRIPT is read again at the next frame.
void TkClearScript();
