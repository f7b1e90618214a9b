#pragma once
// EWorldMgr: reads a world file (worlds\NAME.w) once when a world starts and
// turns it into scene objects and world-wide settings. Every "mesh",
// "skinmesh" or "light" line adds one object; the property lines after it
// change that object; the world-wide lines set fog, far plane, sun, bloom and
// the like. After the last line the world's bezier-node file is read.
//
// A line whose key matches nothing is passed over without a word, as world
// files carry editor keys and comments the game does not read. Lines the
// loader could not use (a failed object, a text too long for its field, a
// number out of range, a line longer than the line buffer) are reported on the
// console with their line number. Both kinds are noted for tools and tests
// (GetNotes), so a bundled world can be checked for lines the game ignores.
//
// World file names. Story levels are "worlds\levelNN.w" with a two-digit
// number (level 1 is "worlds\level01.w"); MakeLevelWorldName builds them, and
// every place that makes a level's world name goes through it. A world's
// companion files take the world file's name plus a suffix, and its bezier
// nodes the name with the extension replaced by "bzr".

#include "platform/win32/WinTypes.h"
#include "world/Object.h"

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

class EWorldMgr
{
public:
    static constexpr int VALUE_SIZE = 3101;
    static constexpr int KEYWORD_SIZE = 3103;
    static constexpr int LINE_SIZE = 3001;
    static constexpr int LINE_CHARS = 2999;
    static constexpr int MAX_ERROR_LINES = 36;
    static constexpr int ERROR_LINE_SIZE = 128;
    // A world file larger than this is refused rather than read into memory.
    static constexpr long MAX_WORLD_FILE_BYTES = 64L * 1024 * 1024;

    // One line the last load passed over or refused, for tools and tests.
    enum class NoteKind : BYTE
    {
        PassedOver, // no key matched (not reported on the console)
        Refused,    // the line or one of its values was refused (reported)
    };
    static constexpr int MAX_NOTES = 64;
    static constexpr int NOTE_TEXT_SIZE = 96;
    struct Note
    {
        NoteKind kind;
        int line;                  // 1-based line number in the file
        char text[NOTE_TEXT_SIZE]; // the keyword, or what went wrong
    };

    EWorldMgr();
    virtual ~EWorldMgr() = default;

    // True when the file was read (also when some objects failed); false when
    // it cannot be opened, is empty, too large, or cannot be held in memory.
    bool LoadWorld(const char* fileName);
    // The text after the line's keyword and the blanks behind it, trailing
    // blanks removed. Valid until the next GetValue or GetNthValue.
    const char* GetValue(const char* line);
    // Value n of the line cut at the next blank; n = 0 is the keyword.
    const char* GetNthValue(const char* line, int n);

    // The key parsers of action, death, object-light, bezier and FX keys.
    // Each returns at once for a null line or handle.
    static void ParseObjectActionParams(EWorldMgr* loader, const char* line, HOBJECT object);
    static void ParseDeathParams(EWorldMgr* loader, const char* line, HOBJECT object);
    static void ParseObjectLights(EWorldMgr* loader, const char* line, HOBJECT object);
    static void ParseBezierStart(EWorldMgr* loader, const char* line, HOBJECT object);
    static void ParseObjectFx(EWorldMgr* loader, const char* line, HOBJECT object);
    // Object names that action keys give are checked once the world is read:
    // each that names no object is reported with its line and object.
    void BeginActionReferences();
    void CheckActionReferences();
    // The number of the line being read (1-based).
    int GetLine() const { return m_iLine; }

    // What the last load noted, in file order (at most MAX_NOTES; the counts
    // go on past it).
    int GetNoteCount() const { return m_iNotes; }
    const Note& GetNote(int i) const { return m_Notes[i]; }
    int GetPassedOverCount() const { return m_iPassedOver; }
    int GetRefusedCount() const { return m_iRefused; }

    // Reports a refused line or value on the console with the file and line
    // number and notes it. Public for the key parsers.
    void Refuse(const char* what, const char* detail = nullptr);
    // The keyword compare: exact, case included. Sets the match flag. Inline,
    // and by length first (a literal's length is known when compiling): every
    // line is compared with dozens of keys, and nearly all differ in length.
    bool Key(std::string_view key)
    {
        ++m_iCompare;
        if (key.size() != m_iKeywordLength || std::memcmp(m_szKeyword, key.data(), key.size()) != 0)
            return false;
        m_bMatch = 1;
        return true;
    }
    // Numbers of value n of the current line, read in the C locale: leading
    // numeric text counts, anything else is 0. A number no field holds is
    // refused with a line and read as 0 (ints are held at their ends).
    int Int(int n);
    DWORD Dword(int n);
    float Float(int n);
    bool Flag(int n) { return Int(n) != 0; }
    // The whole rest of the line as a number.
    int RestInt();
    float RestFloat();
    // Copies the text into a field of the given capacity with
    // safe_string_copy; false (field emptied) when it does not fit.
    bool CopyText(const char* label, unsigned capacity, char* dest, const char* text);
    // "link_by_socket" and its per-type forms: flag, object name, socket name;
    // the tie is made once every object of the world exists.
    void LinkBySocket(HOBJECT o, const char* objectLabel, const char* socketLabel, unsigned capacity);
    static constexpr unsigned LINK_NAME_CAPACITY = 1000;
    static constexpr unsigned LIGHT_LINK_NAME_CAPACITY = 32;

    // The line being read; its keyword; the match flag of the last compare.
    const char* m_pLine = nullptr;
    char m_szKeyword[KEYWORD_SIZE] = {};
    size_t m_iKeywordLength = 0; // strlen(m_szKeyword)
    DWORD m_iCompare = 0;
    BYTE m_bMatch = 0;

    char m_szValue[VALUE_SIZE] = {};
    size_t m_iValueLength = 0; // strlen(m_szValue) after GetValue and GetNthValue
    BYTE m_bError = 0;
    char m_szErrors[MAX_ERROR_LINES][ERROR_LINE_SIZE] = {};
    int m_iErrorCount = 0;

private:
    // An object's position lines follow each other: their values gather here
    // and the object is moved once, before the next line of another kind.
    void FlushPosition();
    HOBJECT m_hPositioned = nullptr;
    D3DXVECTOR3 m_vPosition = D3DXVECTOR3(0.0f, 0.0f, 0.0f);

    struct LoadState;
    void ReadLine(LoadState& s, char* line);
    void ParseLine(LoadState& s, char* line);
    void AddObjectLine(LoadState& s, BYTE type);
    // Gives the save-game mark to the world's objects that change in play.
    static void MarkChangingObjects();
    bool WorldKeys(LoadState& s);
    static void AmbientKey(EWorldMgr& L, LoadState& s);
    static void DirectionKey(EWorldMgr& L, LoadState& s);
    void MeshKeys(HOBJECT o);
    void SkinMeshKeys(HOBJECT o);
    void LightKeys(HOBJECT o);
    bool CommonObjectKeys(HOBJECT o, bool transform);
    bool PhysicsKeys(HOBJECT o);
    bool RoadKeys(HOBJECT o);
    bool TexturePaintKeys(HOBJECT o);
    bool MeshLightKeys(HOBJECT o);
    void AddError(const char* text);
    void AddNote(NoteKind kind, const char* text, int line = -1);
    bool NumberText(int n, const char** text);

    const char* m_pFileName = "";
    int m_iLine = 0;
    Note m_Notes[MAX_NOTES] = {};
    int m_iNotes = 0;
    int m_iPassedOver = 0;
    int m_iRefused = 0;
};

// When the source is shorter than the capacity, copies it with its
// terminator; otherwise writes "ERROR: safe_string_copy() Source String Too
// Long!" and the label to "!error.txt" and the console and empties the
// destination (when the capacity is not 0). False when the source did not fit.
bool safe_string_copy(const char* label, unsigned capacity, char* dest, const char* source);

// The bezier-node file of a world file: its extension replaced by "bzr".
std::string BezierFileName(const char* worldFile);

// The world file of a story level: "worlds\levelNN.w" (NN two digits, more
// when the number needs them). False when out does not hold it.
bool MakeLevelWorldName(int level, char* out, size_t size);

extern EWorldMgr g_WorldMgr;
