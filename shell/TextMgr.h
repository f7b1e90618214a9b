#pragma once
// ETextMgr: text keys.
// STAND-IN: knows only the game's name; the text-key work reads
// "scripts\text_keys.txt".

class ETextMgr
{
public:
    virtual ~ETextMgr() = default;
    const char* GetText(const char* key);
};

extern ETextMgr g_TextMgr;
