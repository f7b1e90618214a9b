// STAND-IN: see Renderer.h.
#include "render/Renderer.h"

#include <cstring>

ERenderer g_Renderer;

bool ERenderer::SetTerrainName(const char* name)
{
    const size_t n = name ? std::strlen(name) : 0;
    if (n >= sizeof m_szTerrainName)
    {
        m_szTerrainName[0] = 0;
        return false;
    }
    std::memcpy(m_szTerrainName, name ? name : "", n + 1);
    return true;
}
