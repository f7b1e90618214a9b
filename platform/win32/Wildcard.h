#pragma once
// File-name patterns as FindFirstFileA takes them, letters compared without
// regard to case:
//   '*'  any run of characters;
//   '*' before a '.': any run that stops short of the name's last '.';
//   '?'  one character other than '.'; before a '.' in the name or at its end
//        it takes nothing ("slot?.sav" takes "slot.sav");
//   '.' before '*', '?' or the end of the pattern: the name's '.', or nothing
//        at the end of the name ("walk.*" takes "walk", "*." takes the names
//        without an extension, "*.*" every name).

bool TkMatchWildcard(const char* pattern, const char* name);
