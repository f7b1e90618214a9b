#pragma once
// File-name patterns as FindFirstFileA takes them: '*' any run of characters,
// '?' one character, letters compared without regard to case. A pattern that
// ends in ".*" also takes the name without an extension ("*.*" takes every
// name), as Windows does.

bool TkMatchWildcard(const char* pattern, const char* name);
