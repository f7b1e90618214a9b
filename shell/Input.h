#pragma once
// EInput: the DirectInput object the keyboard and mouse devices come from.
// It exists from before the launcher until the very end of the program.

struct IDirectInput8;

class EInput
{
public:
    virtual ~EInput() = default;
    // DirectInput8Create for the module; on failure "!error.txt" gets a line
    // and g_pDirectInput stays null (the game then runs without game input).
    bool Create();
    void Release();
    // The 10 ms window timer: the mouse poll, then the keyboard read.
    void Poll();
};

extern EInput g_Input;
extern IDirectInput8* g_pDirectInput;
