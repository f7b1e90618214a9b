#pragma once
// Where a socket of a character's model lies in the world: its position and
// an orientation built from its matrix (a skinned model hands back only the
// matrix).

#include "platform/d3dx/D3DXMath.h"
#include "shell/Orientation.h"
#include "world/Engine.h"

inline bool SocketTransform(HOBJECT model, const char* socket, D3DXVECTOR3* position,
                            EOrientation* orientation)
{
    D3DXMATRIX m;
    EOrientation fromObject;
    if (!model || !socket || !socket[0] || !g_Engine.GetObjectSocket(model, socket, &m, &fromObject))
        return false;
    if (position)
        *position = D3DXVECTOR3(m._41, m._42, m._43);
    if (orientation)
    {
        if (model->Type == OT_MESH)
            *orientation = fromObject;
        else
        {
            const D3DXVECTOR3 forward(m._31, m._32, m._33), up(m._21, m._22, m._23);
            orientation->SetDirectionAndUp(&forward, &up);
        }
    }
    return true;
}
