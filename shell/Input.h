#pragma once
// EInput: the DirectInput object, keyboard and mouse.
// STAND-IN: creates the DirectInput object only; devices, key commands and
// the mouse come with the input work.

struct IDirectInput8;

class EInput
{
public:
    virtual ~EInput() = default;
    bool Create();
    void Release();
    // The 10 ms window timer: mouse poll and keyboard read.
    void Poll() {}

    IDirectInput8* m_pDI = nullptr;
};

extern EInput g_Input;
