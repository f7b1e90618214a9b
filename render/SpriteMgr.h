#pragma once
// ESpriteMgr: camera-facing sprites.
// STAND-IN: only the per-frame step the frame driver calls; the sprite work
// replaces this file with the whole ESpriteMgr.

class ESpriteMgr
{
public:
    virtual ~ESpriteMgr() = default;
    // Before the scene: the frame time and the camera frame for the sprites.
    void Update() {}
};

extern ESpriteMgr g_SpriteMgr;
