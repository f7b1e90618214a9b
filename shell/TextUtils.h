#pragma once
// The text and data-file helpers every parser of the engine reads its files
// through: one line at a time, the first word as keyword, the rest as values,
// case-blind compares and searches, plus a few numeric and colour helpers and
// the error-log writer.
//
// Strings are zero-terminated bytes in code page 1250. Functions that return
// text into a static buffer (GetLineValue, GetToken, TwoDigitString,
// FormatFloat) overwrite it at their next call; copy a result you need to keep.

#include "platform/win32/WinTypes.h"

#include <cstddef>
#include <cstdio>

// The result of GetLineValue and GetToken for a line of this many characters or more.
constexpr size_t TEXT_LINE_LIMIT = 512;
// Returned for lines that are too long; a shared constant, never to be written.
extern const char* const TEXT_TOO_LONG;

// -1, 0 or 1: the order of a and b with 'A'-'Z' folded to 'a'-'z', bytes compared
// as signed chars (so code-page letters sort before ASCII). Null counts as "".
int CompareNoCase(const char* a, const char* b);
bool CharEqualNoCase(char a, char b);

// True when the line's first word (ended by the terminator, a space or a TAB;
// compared by its first 127 characters) equals the keyword without regard to
// case. A line that begins with a blank has an empty first word.
bool IsKeyword(const char* line, const char* keyword);

// The line after its first word, trimmed; "" when nothing follows.
const char* GetLineValue(const char* line);
// The n-th word of the line (0 = the first); "" past the last word.
const char* GetToken(const char* line, int n);

// Reads one line into buffer (which holds n + 1 bytes): stops at the end of the
// line, after n characters or at the end of the file. The character that met
// the limit is consumed and dropped; the next call goes on after it. LF, CRLF
// and CR all end a line. TABs become blanks and text keys are replaced (the
// result still fits the n + 1 bytes).
void ReadLine(FILE* file, char* buffer, int n);
// The same without the TAB rule and without text keys; returns the last
// character read (EOF at the end of the file).
int ReadLineRaw(FILE* file, char* buffer, int n);
// As ReadLine, but a line longer than n characters has the rest of it skipped
// up to its end; returns false in that case.
bool ReadLineOrSkip(FILE* file, char* buffer, int n);
// Writes at most n characters of the text, then a line feed.
void WriteLine(FILE* file, const char* text, int n);

// Removes trailing blanks in place.
void TrimRight(char* text);
// Ends the text at its first blank (space or TAB).
void CutAtBlank(char* text);
// Ends the text at its first space.
void CutAtSpace(char* text);
// Only ASCII letters, digits and ! _ \ . - (false for null, true for "").
bool IsPlainName(const char* text);
// Lower-cases A-Z and the nine Polish capitals of code page 1250.
void LowerCaseInPlace(char* text);
// Lower-cases both strings in place, then looks for the needle in the haystack.
bool FindNoCase(char* haystack, char* needle);
// As much of the text as fits in `size` bytes, always terminated (null gives "").
void CopyCut(char* out, size_t size, const char* text);
// The part occurs in the text, ASCII letters compared without case; neither is
// changed (false for null, and for an empty text).
bool ContainsNoCase(const char* text, const char* part);
// The file opens for reading.
bool FileExists(const char* name);

// Uniform in [0, max), 32768 steps; 0 for a max of 0.
float RandomFloat(float max);
bool NearlyEqual(float a, float b, float epsilon);
// a + (b - a) * t with t clamped to [0, 1].
float LerpFloat(float a, float b, float t);
// Per-channel blend of two packed colours (all four bytes), t clamped to [0, 1].
DWORD LerpColor(DWORD c1, DWORD c2, float t);
// 0x00RRGGBB from three floats (times 255 first when scale is set); 0 for null.
DWORD PackColor(const float* rgb, bool scale);
// Decimal text with a leading '0' for 0 to 9.
const char* TwoDigitString(unsigned value);
// The value with exactly n decimals, rounded half away from zero.
const char* FormatFloat(double value, int n);
// Three numbers from a text ("1 2.5 -3"); what does not parse is 0.
void ParseVector(const char* text, float* out);

// Appends one line (at most maxChars characters) to a log file in the start-up
// directory, "!error.txt" when name is null. A file that cannot be opened is
// skipped.
void AppendLogLine(const char* text, const char* name = nullptr, int maxChars = 256);
