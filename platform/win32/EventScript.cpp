#include "platform/win32/EventScript.h"

#include "platform/win32/Input.h"
#include "platform/win32/Keys.h"
#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "platform/win32/WindowRegistry.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{
constexpr uint32_t kMaxFrame = 999999999;
constexpr int kMaxMouseMove = 1000000;
constexpr int kMaxWheelNotches = 1000;
constexpr int kScriptMouseButtons = 3;
constexpr long kMaxScriptBytes = 16 * 1024 * 1024;
// No action needs a longer line; a longer one is refused before it is split
// into words, so a runaway line can never make playing slow.
constexpr size_t kMaxScriptLineChars = 1024;
constexpr size_t kQuotedLineChars = 80;

struct PendingRelease
{
    uint32_t frame;
    int vk;
    int scan;
};

struct Script
{
    std::string source;
    std::vector<TkScriptEvent> events; // sorted by frame, file order within a frame
    std::vector<PendingRelease> releases;
    bool fromEnvironment = true; // TK_SCRIPT still to be read
    // Frames of the main loop spent in "wait": the script's frame N plays at
    // loop frame N + delay.
    uint32_t delay = 0;
    bool waiting = false;
    size_t waitIndex = 0; // the "wait" line being waited on
};

Script g_script;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size())
    {
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        size_t start = i;
        while (i < text.size() && !IsBlank(text[i]))
            ++i;
        if (i > start)
            words.push_back(text.substr(start, i - start));
    }
    return words;
}

bool ParseInt(const std::string& word, int limit, int& out)
{
    if (word.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(word.c_str(), &end, 10);
    if (*end || errno || v < -limit || v > limit)
        return false;
    out = static_cast<int>(v);
    return true;
}

bool Same(const std::string& a, const char* b)
{
    return TkCompareNames(a.c_str(), b) == 0;
}

// A line as it may be quoted in an error: short, and without control bytes.
std::string Quoted(const std::string& line)
{
    std::string q = line.substr(0, kQuotedLineChars);
    for (char& c : q)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    if (line.size() > kQuotedLineChars)
        q += "...";
    return q;
}

void Report(int line, const std::string& problem, const std::string& text)
{
    std::fprintf(stderr, "Event script %s:%d: %s: \"%s\"\n", g_script.source.c_str(), line, problem.c_str(),
                 Quoted(text).c_str());
}

bool ParseKey(const std::vector<std::string>& words, TkScriptEvent& out, std::string& error)
{
    if (words.size() != 3 || !(Same(words[1], "down") || Same(words[1], "up") || Same(words[1], "press")))
    {
        error = "expected \"key down|up|press NAME\"";
        return false;
    }
    TkKey key = TkKeyFromName(words[2].c_str());
    if (!key.vk)
    {
        error = "unknown key name \"" + words[2] + "\"";
        return false;
    }
    out.verb = "key " + words[1];
    for (size_t i = 4; i < out.verb.size(); ++i)
        out.verb[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(out.verb[i])));
    out.args = words[2];
    out.a = key.vk;
    out.b = key.scan;
    return true;
}

bool ParseMouse(const std::vector<std::string>& words, TkScriptEvent& out, std::string& error)
{
    const std::string sub = words.size() > 1 ? words[1] : std::string();
    if (Same(sub, "move"))
    {
        if (words.size() != 4 || !ParseInt(words[2], kMaxMouseMove, out.a) ||
            !ParseInt(words[3], kMaxMouseMove, out.b))
        {
            error = "expected \"mouse move DX DY\" with whole numbers";
            return false;
        }
        out.verb = "mouse move";
    }
    else if (Same(sub, "down") || Same(sub, "up"))
    {
        if (words.size() != 3 || !ParseInt(words[2], kScriptMouseButtons, out.a) || out.a < 0 ||
            out.a >= kScriptMouseButtons)
        {
            error = "expected \"mouse down|up N\" with button 0, 1 or 2";
            return false;
        }
        out.verb = Same(sub, "down") ? "mouse down" : "mouse up";
    }
    else if (Same(sub, "wheel"))
    {
        if (words.size() != 3 || !ParseInt(words[2], kMaxWheelNotches, out.a))
        {
            error = "expected \"mouse wheel N\" with a whole number of notches";
            return false;
        }
        out.verb = "mouse wheel";
    }
    else
    {
        error = "expected \"mouse move|down|up|wheel ...\"";
        return false;
    }
    out.args.clear();
    for (size_t i = 2; i < words.size(); ++i)
        out.args += (i > 2 ? " " : "") + words[i];
    return true;
}

bool ParseAction(const std::string& action, TkScriptEvent& out, std::string& error)
{
    std::vector<std::string> words = Words(action);
    const std::string& verb = words[0];
    if (Same(verb, "key"))
        return ParseKey(words, out, error);
    if (Same(verb, "mouse"))
        return ParseMouse(words, out, error);
    if (Same(verb, "type") || Same(verb, "keys"))
    {
        // The text is the rest of the line after one blank, kept as written.
        out.verb = Same(verb, "type") ? "type" : "keys";
        size_t start = action.find_first_of(" \t");
        if (start == std::string::npos || start + 1 >= action.size())
        {
            error = "\"" + out.verb + "\" needs a text";
            return false;
        }
        out.args = action.substr(start + 1);
        return true;
    }
    if (Same(verb, "wait"))
    {
        if (words.size() < 3 || !ParseInt(words.back(), static_cast<int>(kMaxFrame), out.a) || out.a < 0)
        {
            error = "expected \"wait NAME N\" with N a whole number from 0";
            return false;
        }
        out.verb = "wait";
        out.args.clear();
        for (size_t i = 1; i + 1 < words.size(); ++i)
            out.args += (i > 1 ? " " : "") + words[i];
        return true;
    }
    if (Same(verb, "close") || Same(verb, "quit"))
    {
        if (words.size() != 1)
        {
            error = "\"" + verb + "\" takes no arguments";
            return false;
        }
        out.verb = Same(verb, "close") ? "close" : "quit";
        return true;
    }
    // Another layer's verb, looked up when played.
    out.verb.clear();
    out.args.clear();
    for (size_t i = 0; i < words.size(); ++i)
        out.args += (i ? " " : "") + words[i];
    return true;
}

void RunRegistered(const TkScriptEvent& e)
{
    std::vector<std::string> words = Words(e.args);
    // No verb is longer than the longest registered one.
    for (size_t n = std::min(words.size(), TkLongestScriptVerbWords()); n > 0; --n)
    {
        std::string verb, args;
        for (size_t i = 0; i < words.size(); ++i)
            (i < n ? verb : args) += std::string((i == 0 || i == n) ? "" : " ") + words[i];
        if (!TkHasScriptAction(verb))
            continue;
        if (!TkRunScriptAction(verb, args))
            Report(e.line, "\"" + verb + "\" refused its arguments", e.args);
        return;
    }
    Report(e.line, "unknown action", e.args);
}

void Run(const TkScriptEvent& e, uint32_t frame)
{
    if (e.verb == "key down")
        TkInjectKeyScan(e.a, e.b, true);
    else if (e.verb == "key up")
        TkInjectKeyScan(e.a, e.b, false);
    else if (e.verb == "key press")
    {
        TkInjectKeyScan(e.a, e.b, true);
        g_script.releases.push_back(PendingRelease{frame + 1, e.a, e.b});
    }
    else if (e.verb == "type")
        TkInjectText(e.args.c_str());
    else if (e.verb == "keys")
        TkInjectKeyStrokes(e.args.c_str());
    else if (e.verb == "mouse move")
        TkInjectMouseMove(e.a, e.b);
    else if (e.verb == "mouse down")
        TkInjectMouseButton(e.a, true);
    else if (e.verb == "mouse up")
        TkInjectMouseButton(e.a, false);
    else if (e.verb == "mouse wheel")
        TkInjectMouseWheel(e.a);
    else if (e.verb == "close")
    {
        if (HWND main = TkMainWindow())
            PostMessageA(main, WM_CLOSE, 0, 0);
        else
            Report(e.line, "no window to close", "close");
    }
    else if (e.verb == "quit")
        PostQuitMessage(0);
    else
        RunRegistered(e);
}
} // namespace

TkScriptLineKind TkParseScriptLine(const std::string& line, TkScriptEvent& out, std::string& error)
{
    out = TkScriptEvent();
    if (line.size() > kMaxScriptLineChars)
    {
        error = "the line is longer than " + std::to_string(kMaxScriptLineChars) + " characters";
        return TkScriptLineKind::Error;
    }
    size_t i = 0;
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    if (i == line.size() || line[i] == '#')
        return TkScriptLineKind::Nothing;
    if (line.size() - i < 5 || TkCompareNames(line.substr(i, 5).c_str(), "frame") != 0)
    {
        error = "expected \"frame N: action\"";
        return TkScriptLineKind::Error;
    }
    i += 5;
    size_t digitsStart = i;
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    if (i == digitsStart)
    {
        error = "expected \"frame N: action\"";
        return TkScriptLineKind::Error;
    }
    digitsStart = i;
    uint64_t frame = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9' && frame <= kMaxFrame)
        frame = frame * 10 + static_cast<uint64_t>(line[i++] - '0');
    if (i == digitsStart || frame == 0 || frame > kMaxFrame ||
        (i < line.size() && line[i] >= '0' && line[i] <= '9'))
    {
        error = "the frame number must be 1 to 999999999";
        return TkScriptLineKind::Error;
    }
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    if (i == line.size() || line[i] != ':')
    {
        error = "expected ':' after the frame number";
        return TkScriptLineKind::Error;
    }
    ++i;
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    if (i == line.size())
    {
        error = "no action after the frame number";
        return TkScriptLineKind::Error;
    }
    out.frame = static_cast<uint32_t>(frame);
    if (!ParseAction(line.substr(i), out, error))
        return TkScriptLineKind::Error;
    return TkScriptLineKind::Event;
}

void TkLoadScriptText(const std::string& text, const char* sourceName)
{
    g_script = Script();
    g_script.fromEnvironment = false;
    g_script.source = sourceName ? sourceName : "(script)";
    int lineNumber = 0;
    size_t pos = 0;
    while (pos < text.size())
    {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end;
        if (pos < text.size() && text[pos] == '\r')
            ++pos;
        if (pos < text.size() && text[pos] == '\n' && (pos == end || text[pos - 1] == '\r'))
            ++pos;
        ++lineNumber;

        TkScriptEvent event;
        std::string error;
        switch (TkParseScriptLine(line, event, error))
        {
        case TkScriptLineKind::Event:
            event.line = lineNumber;
            g_script.events.push_back(std::move(event));
            break;
        case TkScriptLineKind::Error:
            Report(lineNumber, error, line);
            break;
        case TkScriptLineKind::Nothing:
            break;
        }
    }
    std::stable_sort(g_script.events.begin(), g_script.events.end(),
                     [](const TkScriptEvent& a, const TkScriptEvent& b) { return a.frame < b.frame; });
}

bool TkLoadScriptFile(const char* path)
{
    FILE* f = path ? TkFopen(path, "rb") : nullptr;
    if (!f)
    {
        std::fprintf(stderr, "Event script \"%s\" cannot be read\n", path ? path : "");
        TkClearScript();
        g_script.fromEnvironment = false;
        return false;
    }
    std::string text;
    char buffer[4096];
    size_t n;
    bool tooLarge = false;
    while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0)
    {
        if (text.size() + n > static_cast<size_t>(kMaxScriptBytes))
        {
            tooLarge = true;
            break;
        }
        text.append(buffer, n);
    }
    std::fclose(f);
    if (tooLarge)
    {
        std::fprintf(stderr, "Event script \"%s\" is larger than %ld bytes; not played\n", path,
                     kMaxScriptBytes);
        TkClearScript();
        g_script.fromEnvironment = false;
        return false;
    }
    TkLoadScriptText(text, path);
    return true;
}

size_t TkScriptEventCount()
{
    return g_script.events.size();
}

namespace
{
void ReadEnvironmentScript()
{
    if (g_script.fromEnvironment)
    {
        g_script.fromEnvironment = false;
        if (const char* path = std::getenv("TK_SCRIPT"); path && *path)
            TkLoadScriptFile(path);
    }
}
} // namespace

bool TkScriptHasActionAfter(uint32_t frame, const char* firstWord)
{
    ReadEnvironmentScript();
    if (!firstWord)
        return false;
    // Frames of the script run behind the loop by the frames spent waiting.
    const uint32_t scriptFrame = frame > g_script.delay ? frame - g_script.delay : 0;
    for (const TkScriptEvent& e : g_script.events)
        if (e.frame > scriptFrame && e.verb.empty())
        {
            const std::vector<std::string> words = Words(e.args);
            if (!words.empty() && Same(words[0], firstWord))
                return true;
        }
    return false;
}

namespace
{
// True when the value waited for has reached its number. An unknown name is
// reported and ends the wait, so a typo never holds the script for good.
bool WaitIsOver(const TkScriptEvent& e)
{
    uint32_t value = 0;
    if (!TkReadScriptValue(e.args, value))
    {
        Report(e.line, "no value \"" + e.args + "\" to wait for", "wait " + e.args);
        return true;
    }
    return value >= static_cast<uint32_t>(e.a);
}
} // namespace

void TkPlayScriptFrame(uint32_t frame)
{
    ReadEnvironmentScript();
    // Releases first: a key pressed again at this frame goes down after it went up.
    // One pass splits them, in order: erasing each from the front would cost
    // the square of their number (a script may press thousands at one frame).
    std::vector<PendingRelease> due;
    std::vector<PendingRelease> later;
    for (const PendingRelease& r : g_script.releases)
        (r.frame <= frame ? due : later).push_back(r);
    g_script.releases.swap(later);
    for (const PendingRelease& r : due)
        TkInjectKeyScan(r.vk, r.scan, false);

    uint32_t scriptFrame = 0;
    size_t start = 0;
    if (g_script.waiting)
    {
        if (g_script.waitIndex >= g_script.events.size())
            g_script.waiting = false;
        else if (!WaitIsOver(g_script.events[g_script.waitIndex]))
            return;
        // The rest of the wait's frame plays now; later frames follow on.
        g_script.waiting = false;
        scriptFrame = g_script.events[g_script.waitIndex].frame;
        g_script.delay = frame > scriptFrame ? frame - scriptFrame : 0;
        start = g_script.waitIndex + 1;
    }
    else
    {
        if (frame <= g_script.delay)
            return;
        scriptFrame = frame - g_script.delay;
        auto first = std::lower_bound(g_script.events.begin(), g_script.events.end(), scriptFrame,
                                      [](const TkScriptEvent& e, uint32_t f) { return e.frame < f; });
        start = static_cast<size_t>(first - g_script.events.begin());
    }
    // Index, not iterator: an action may load another script.
    for (size_t i = start; i < g_script.events.size() && g_script.events[i].frame == scriptFrame; ++i)
    {
        TkScriptEvent e = g_script.events[i];
        if (e.verb == "wait")
        {
            if (WaitIsOver(e))
                continue;
            g_script.waiting = true;
            g_script.waitIndex = i;
            return;
        }
        Run(e, frame);
    }
}

void TkClearScript()
{
    g_script = Script();
}
