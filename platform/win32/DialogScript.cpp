// Scripted choices for dialogs: TK_DIALOG_SCRIPT, the event script's
// "dialog click" and "dialog select", and tests.
#include "platform/win32/Dialog.h"

#include "platform/win32/DialogState.h"
#include "platform/win32/EventScript.h"
#include "platform/win32/Path.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <deque>

namespace
{
constexpr long kMaxControlId = 65535;
constexpr long kMaxItemIndex = 65535;

struct Action
{
    bool select = false; // else a click
    bool close = false;  // the close box
    int id = 0;
    int index = 0;
    std::string text; // as written, for messages
};

std::deque<Action> g_actions;
bool g_environmentRead = false;

std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size())
    {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        const size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t')
            ++i;
        if (i > start)
            words.push_back(text.substr(start, i - start));
    }
    return words;
}

bool ParseNumber(const std::string& word, long limit, int& out)
{
    if (word.empty() || word[0] == '-' || word[0] == '+')
        return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(word.c_str(), &end, 10);
    if (*end || errno || v > limit)
        return false;
    out = static_cast<int>(v);
    return true;
}

bool Parse(const std::string& text, Action& out)
{
    const std::vector<std::string> w = Words(text);
    out = Action();
    out.text = text;
    if (w.size() == 1 && TkCompareNames(w[0].c_str(), "close") == 0)
    {
        out.close = true;
        return true;
    }
    if (w.size() == 1)
        return ParseNumber(w[0], kMaxControlId, out.id);
    if (w.size() == 2 && TkCompareNames(w[0].c_str(), "click") == 0)
        return ParseNumber(w[1], kMaxControlId, out.id);
    if (w.size() == 3 && TkCompareNames(w[0].c_str(), "select") == 0)
    {
        out.select = true;
        return ParseNumber(w[1], kMaxControlId, out.id) && ParseNumber(w[2], kMaxItemIndex, out.index);
    }
    return false;
}

void ReadEnvironment()
{
    if (g_environmentRead)
        return;
    g_environmentRead = true;
    const char* script = std::getenv("TK_DIALOG_SCRIPT");
    if (!script)
        return;
    std::string all = script;
    size_t pos = 0;
    while (pos <= all.size())
    {
        size_t end = all.find_first_of(";,\r\n", pos);
        if (end == std::string::npos)
            end = all.size();
        const std::string part = all.substr(pos, end - pos);
        pos = end + 1;
        if (Words(part).empty())
            continue;
        Action a;
        if (Parse(part, a))
            g_actions.push_back(a);
        else
            std::fprintf(
                stderr,
                "TK_DIALOG_SCRIPT: \"%s\" is none of \"click ID\", \"select ID INDEX\" and \"close\"\n",
                part.c_str());
    }
}

// The event script's verbs queue a choice for the dialog on screen.
bool QueueFromEventScript(const std::string& verb, const std::string& args)
{
    Action a;
    if (!Parse(args.empty() ? verb : verb + " " + args, a))
        return false;
    if (!TkOpenDialog())
    {
        std::fprintf(stderr, "Event script: \"dialog %s %s\" with no dialog open; ignored\n", verb.c_str(),
                     args.c_str());
        return true;
    }
    g_actions.push_back(a);
    return true;
}

bool ScriptClick(const std::string& args)
{
    return QueueFromEventScript("click", args);
}

bool ScriptSelect(const std::string& args)
{
    return QueueFromEventScript("select", args);
}

bool ScriptClose(const std::string& args)
{
    return QueueFromEventScript("close", args);
}

const bool g_verbsRegistered = []
{
    TkRegisterScriptAction("dialog click", ScriptClick);
    TkRegisterScriptAction("dialog select", ScriptSelect);
    TkRegisterScriptAction("dialog close", ScriptClose);
    return true;
}();
} // namespace

namespace tk::dialog
{
bool PlayNextAction(Dialog& d)
{
    (void)g_verbsRegistered;
    ReadEnvironment();
    if (g_actions.empty())
        return false;
    const Action a = g_actions.front();
    g_actions.pop_front();
    if (a.close)
    {
        SendMessageA(d.hwnd, WM_CLOSE, 0, 0);
        return true;
    }
    Control* c = FindControl(d, a.id);
    const char* problem = nullptr;
    if (!c)
        problem = "no such control";
    else if (!c->enabled)
        problem = "the control is disabled";
    else if (a.select && c->kind != TkControlKind::ComboBox)
        problem = "not a combo box";
    else if (a.select && !ChooseItem(d, *c, a.index))
        problem = "no such entry";
    else if (!a.select && !ClickControl(d, *c))
        problem = "not a control that takes clicks";
    if (problem)
        std::fprintf(stderr, "Dialog %d: \"%s\": %s; skipped\n", d.resource, a.text.c_str(), problem);
    return true;
}
} // namespace tk::dialog

bool TkQueueDialogAction(const std::string& action)
{
    ReadEnvironment();
    Action a;
    if (!Parse(action, a))
        return false;
    g_actions.push_back(a);
    return true;
}

size_t TkPendingDialogActions()
{
    ReadEnvironment();
    return g_actions.size();
}

void TkClearDialogActions()
{
    g_actions.clear();
}

void TkResetDialogs()
{
    g_actions.clear();
    g_environmentRead = false;
}
