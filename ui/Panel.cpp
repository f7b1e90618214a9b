// STAND-IN: see Panel.h.
#include "ui/Panel.h"

#include <cstdio>

Panel g_Panel;

void Panel::SetCaption(const char* text)
{
    std::snprintf(m_szCaption, sizeof m_szCaption, "%s", text ? text : "");
}
