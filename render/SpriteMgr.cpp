// STAND-IN: see SpriteMgr.h.
#include "render/SpriteMgr.h"

#include "world/Object.h"

ESpriteMgr g_SpriteMgr;

namespace
{
ESprite* SpriteOf(HOBJECT object)
{
    return object ? static_cast<ESprite*>(object->pSprite) : nullptr;
}
} // namespace

void ESpriteMgr::AddSprite(HOBJECT object, const EObjectDesc* desc)
{
    if (!object || !desc || !desc->szFileName[0])
        return;
    auto* sprite = new ESprite;
    sprite->hObject = object;
    sprite->vPosition = desc->vPosition;
    sprite->Orientation = desc->Orientation;
    sprite->fSize[0] = desc->vScale.x;
    sprite->fSize[1] = desc->vScale.y;
    sprite->dwFlags = desc->dwFlags;
    sprite->dwFlags2 = desc->dwFlags2;
    object->Object = sprite;
    object->pSprite = sprite;
    ++m_iLive;
}

void ESpriteMgr::RemoveSprite(HOBJECT object)
{
    ESprite* sprite = SpriteOf(object);
    if (!sprite)
        return;
    delete sprite;
    object->Object = nullptr;
    object->pSprite = nullptr;
    --m_iLive;
}

void ESpriteMgr::SetSpritePosition(HOBJECT object, const D3DXVECTOR3* position)
{
    if (ESprite* s = SpriteOf(object); s && position)
        s->vPosition = *position;
}

void ESpriteMgr::SetSpriteOrientation(HOBJECT object, const EOrientation* orientation)
{
    if (ESprite* s = SpriteOf(object); s && orientation)
        s->Orientation = *orientation;
}

void ESpriteMgr::SetSpriteColor(HOBJECT object, DWORD color)
{
    if (ESprite* s = SpriteOf(object))
        s->dwColor = color;
}

void ESpriteMgr::SetSpriteFlags(HOBJECT object, DWORD flags)
{
    if (ESprite* s = SpriteOf(object))
        s->dwFlags = flags;
}

void ESpriteMgr::SetSpriteFlags2(HOBJECT object, DWORD flags)
{
    if (ESprite* s = SpriteOf(object))
        s->dwFlags2 = flags;
}

void ESpriteMgr::SetSpriteVector2(HOBJECT object, const float size[2])
{
    if (ESprite* s = SpriteOf(object); s && size)
    {
        s->fSize[0] = size[0];
        s->fSize[1] = size[1];
    }
}
