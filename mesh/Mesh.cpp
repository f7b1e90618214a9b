// STAND-IN: see Mesh.h.
#include "mesh/Mesh.h"

#include "platform/win32/Path.h"

#include <cstdio>
#include <cstring>

bool EMesh::Create(const char* fileName)
{
    if (!fileName || !fileName[0])
        return false;
    FILE* f = TkFopen(fileName, "rb");
    if (!f)
        return false;
    std::fclose(f);
    std::snprintf(m_szFileName, sizeof m_szFileName, "%s", fileName);
    return true;
}

void EMesh::SetTransform(const D3DXVECTOR3* position, const EOrientation* orientation)
{
    if (position)
        m_vPosition = *position;
    if (orientation)
        m_Orientation = *orientation;
}

void EMesh::SetPathGenParams(const float values[5])
{
    std::memcpy(m_fPathGen, values, sizeof m_fPathGen);
}

void EMesh::GetPathGenParams(float values[5]) const
{
    std::memcpy(values, m_fPathGen, sizeof m_fPathGen);
}

void EMesh::SetBushSound(const char* fileName, float range)
{
    if (!fileName || !fileName[0])
    {
        m_szBushSound[0] = 0;
        m_bBushSound = 0;
        m_fBushRange = 0.0f;
        return;
    }
    std::snprintf(m_szBushSound, sizeof m_szBushSound, "%s", fileName);
    m_fBushRange = range < 4.0f ? 4.0f : range;
    m_fBushValue = 0.0f;
    m_bBushSound = 1;
}
