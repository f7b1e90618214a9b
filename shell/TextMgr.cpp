#include "shell/TextMgr.h"

#include "platform/win32/Path.h"
#include "shell/Console.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>

// Built during static initialisation: it reads only constant-initialised
// globals (the options, the console), so the order of construction across
// files does not matter.
ETextMgr g_TextMgr;

namespace
{
const char* const TEXT_KEYS_FILE = "scripts\\text_keys.txt";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsPunctuationMark(char c)
{
    return c == '?' || c == '!' || c == '.' || c == ',' || c == ';' || c == ':';
}

char* CopyOnHeap(const char* text)
{
    const size_t n = std::strlen(text);
    char* copy = new char[n + 1];
    std::memcpy(copy, text, n + 1);
    return copy;
}

// The text of a file line as the table keeps it: an "=" in front is dropped,
// the typographic apostrophe becomes a plain one, and a blank right before a
// punctuation mark goes.
void CleanText(char* text)
{
    if (text[0] == '=')
        std::memmove(text, text + 1, std::strlen(text));
    for (char* p = text; *p; ++p)
        if (static_cast<unsigned char>(*p) == 0x92)
            *p = '\'';
    if (std::strlen(text) <= 1)
        return;
    for (char* p = text; *p; ++p)
        if (*p == ' ' && IsPunctuationMark(p[1]))
            std::memmove(p, p + 1, std::strlen(p + 1) + 1);
}
} // namespace

ETextMgr::ETextMgr()
{
    Load(TEXT_KEYS_FILE);
}

ETextMgr::~ETextMgr()
{
    Free();
}

strtext* ETextMgr::NewNode()
{
    strtext* node = new strtext();
    if (g_Options.SystemDebug)
    {
        g_Debug.AddAllocation("strtext");
        node->tracked = 1;
    }
    node->next = m_pHead;
    if (m_pHead)
        m_pHead->prev = node;
    m_pHead = node;
    return node;
}

void ETextMgr::AddKey(const char* key, const char* text)
{
    strtext* node = NewNode();
    node->key = CopyOnHeap(key);
    node->text = CopyOnHeap(text);
    if (node->tracked)
    {
        g_Debug.AddAllocation("text->klucz");
        g_Debug.AddAllocation("text->zawartosc");
    }
}

void ETextMgr::Free()
{
    while (strtext* node = m_pHead)
    {
        m_pHead = node->next;
        if (node->tracked)
        {
            g_Debug.RemoveAllocation("text->klucz");
            g_Debug.RemoveAllocation("text->zawartosc");
            g_Debug.RemoveAllocation("strtext");
        }
        delete[] node->key;
        delete[] node->text;
        delete node;
    }
}

void ETextMgr::Load(const char* fileName)
{
    Free();
    FILE* f = TkFopen(fileName, "r");
    if (!f)
        return;
    // Keys seen so far, folded to lower case: a duplicate is found at once and
    // reported once, however many copies of it the file holds.
    std::unordered_set<std::string> seen;
    char line[MAX_FILE_LINE + 1];
    for (;;)
    {
        int last = ReadLineRaw(f, line, MAX_FILE_LINE);
        const bool cut = last != '\n' && last != EOF;
        if (cut)
        {
            // The rest of an overlong line is no line of its own.
            char rest[MAX_FILE_LINE + 1];
            while (last != '\n' && last != EOF)
                last = ReadLineRaw(f, rest, MAX_FILE_LINE);
        }
        if (line[0] == '>')
        {
            char key[MAX_KEY + 1];
            size_t n = 0;
            while (n < static_cast<size_t>(MAX_KEY) && line[n] && !IsBlank(line[n]))
            {
                key[n] = line[n];
                ++n;
            }
            key[n] = 0;

            char text[TEXT_LINE_LIMIT];
            std::snprintf(text, sizeof text, "%s", GetLineValue(line));
            CleanText(text);

            // A line of exactly 512 characters is read whole but is still too
            // long for its text: it is reported as the longer ones are.
            if (cut || std::strcmp(text, TEXT_TOO_LONG) == 0)
                g_Console.Print4("ERROR: ", fileName, ": line of 512 characters or more for ", key);
            else if (!text[0])
                g_Console.Print4("ERROR: ", fileName, ": no text for ", key);

            std::string folded = key;
            for (char& c : folded)
                if (c >= 'A' && c <= 'Z')
                    c = static_cast<char>(c - 'A' + 'a');
            if (!seen.insert(std::move(folded)).second)
            {
                char report[MAX_KEY + 32];
                std::snprintf(report, sizeof report, "Duplicate label %s", key);
                AppendLogLine(report, "!labels.txt");
            }
            AddKey(key, text);
        }
        if (last == EOF)
            break;
    }
    std::fclose(f);
}

const char* ETextMgr::GetText(const char* key) const
{
    if (!key)
        return "";
    for (const strtext* node = m_pHead; node; node = node->next)
        if (CompareNoCase(node->key, key) == 0)
            return node->text;
    return "";
}

strtext* ETextMgr::FindExact(const char* key) const
{
    if (!key)
        return nullptr;
    for (strtext* node = m_pHead; node; node = node->next)
        if (std::strcmp(node->key, key) == 0)
            return node;
    return nullptr;
}

void ETextMgr::ExpandLabels(char* line, size_t size) const
{
    if (!line || size == 0 || !m_pHead)
        return;
    char out[EXPAND_BUFFER];
    size_t used = 0;
    bool replaced = false;
    bool cut = false;
    auto put = [&](char c)
    {
        if (used < EXPAND_BUFFER - 1)
            out[used++] = c;
        else
            cut = true;
    };

    const size_t end = strnlen(line, size);
    size_t i = 0;
    while (i < end)
    {
        if (line[i] != '>')
        {
            put(line[i++]);
            continue;
        }
        char key[MAX_LINE_KEY + 1];
        size_t n = 0;
        while (n < static_cast<size_t>(MAX_LINE_KEY) && i + n < end && !IsBlank(line[i + n]))
        {
            key[n] = line[i + n];
            ++n;
        }
        key[n] = 0;
        // Keys in a line match exactly, case included, unlike GetText (pinned
        // by TextKeys.LastDuplicateWinsAndIsReported).
        if (const strtext* node = FindExact(key))
        {
            for (const char* t = node->text; *t; ++t)
                put(*t);
            i += n;
            replaced = true;
        }
        else
            put(line[i++]);
    }
    if (!replaced)
        return;

    out[used] = 0;
    if (used > size - 1)
    {
        used = size - 1;
        cut = true;
    }
    std::memcpy(line, out, used);
    line[used] = 0;
    if (cut)
        g_Console.PrintInt("ERROR in ETextMgr::ExpandLabels(): line too long after its text keys, cut to ",
                           static_cast<int>(used));
}
