#pragma once
// ETextMgr: the text-key table. Player-visible text is written as keys that
// begin with ">" (">GameName", ">S01"); the table maps each key to its text,
// read once from "scripts\text_keys.txt" when the global is constructed, so it
// is ready before the program's entry point runs.

#include "platform/win32/WinTypes.h"

#include <cstddef>

// One key and its text; the list runs from the last line of the file to the first.
struct strtext
{
    char* key = nullptr;  // heap copy, with the leading ">"
    char* text = nullptr; // heap copy
    strtext* prev = nullptr;
    strtext* next = nullptr;
    // Set when the allocation tracker counted this node, so only counted
    // nodes are announced as released.
    BYTE tracked = 0;
};

class ETextMgr
{
public:
    static constexpr int MAX_FILE_LINE = 512;     // characters read per file line
    static constexpr int MAX_KEY = 255;           // characters of a key when loading
    static constexpr int MAX_LINE_KEY = 127;      // characters of a key met inside a line
    static constexpr size_t EXPAND_BUFFER = 4096; // bytes of one expanded line

    ETextMgr();
    virtual ~ETextMgr();

    // The text of a key (compared without regard to case); "" when unknown.
    const char* GetText(const char* key) const;
    // Replaces every known key in the line by its text (keys compared exactly).
    // The line lives in a buffer of `size` bytes; the result never goes past it.
    void ExpandLabels(char* line, size_t size) const;
    // The node of exactly this key, or null.
    strtext* FindExact(const char* key) const;
    // Puts a zeroed node at the head of the list.
    strtext* NewNode();

    // Frees the table and reads a text-key file into it (the constructor reads
    // "scripts\text_keys.txt"; tests load their own).
    void Load(const char* fileName);
    void Free();

    strtext* m_pHead = nullptr;

private:
    void AddKey(const char* key, const char* text);
};

extern ETextMgr g_TextMgr;
