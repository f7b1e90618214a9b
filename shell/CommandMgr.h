#pragma once
// CCommandMgr: the key commands and their bindings.
// STAND-IN: the interface the device code calls; the input work fills it in.

class CCommandMgr
{
public:
    virtual ~CCommandMgr() = default;
    void ReadKeyboard() {}
};

extern CCommandMgr g_CommandMgr;
