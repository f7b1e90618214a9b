#pragma once
// Temporary files for tests of code that reads and writes through a FILE*
// (save games): what was written, and a file made of given bytes.

#include <cstdio>
#include <vector>

// Everything written to `f` so far; `f` is flushed and left rewound.
std::vector<unsigned char> Contents(FILE* f);

// A temporary file (gone when closed) holding exactly `bytes`, rewound.
FILE* FileWith(const std::vector<unsigned char>& bytes);
