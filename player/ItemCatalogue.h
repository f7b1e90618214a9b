#pragma once
// The keyword table of the item catalogue "scripts\items.txt": every keyword
// the reader knows, in the order lines are tested against them, with the
// field of EItemDesc it fills and how its value is read.

#include <cstddef>

constexpr const char* ITEMS_FILE = "scripts\\items.txt";

struct ItemKeyword
{
    enum Kind
    {
        Item,         // opens a new description; the value is its name
        Text,         // copied into a text field
        Flag,         // sets a byte
        NoAim,        // clears the aim-allowed byte
        Float,        // a number
        Range,        // a number stored four times over
        Integer,      // a whole number
        Count,        // a whole number, negatives read as 0
        FxList,       // appends an effect name to a list
        PlayerFxList, // the same, and says so when the effect is not loaded
        SoundList,    // appends a sound file to a list
        Vector,       // three numbers
        AimPos,       // three numbers, and aiming is allowed
    };

    const char* keyword;
    Kind kind;
    size_t offset; // of the field in EItemDesc
    size_t size;   // of the field
};

// The table and its length.
const ItemKeyword* ItemKeywords(size_t* count);
// The first keyword the line's first word matches (without regard to case), or null.
const ItemKeyword* FindItemKeyword(const char* line);
