// STAND-IN: see SkinMesh.h.
#include "mesh/SkinMesh.h"

#include "platform/win32/Path.h"

#include <filesystem>

bool ESkinMesh::Create(const char* path)
{
    if (!path || !path[0])
        return false;
    std::error_code ec;
    if (!std::filesystem::exists(TkResolvePath(path), ec))
        return false;
    m_bCreated = 1;
    return true;
}
