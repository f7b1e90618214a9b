// STAND-IN: see TextMgr.h.
#include "shell/TextMgr.h"

#include <cstring>

ETextMgr g_TextMgr;

const char* ETextMgr::GetText(const char* key)
{
    if (key && std::strcmp(key, ">GameName") == 0)
        return "Duskmere 2";
    return "";
}
