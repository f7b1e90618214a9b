#pragma once
// Heap records of the scene objects, announced to the allocation tracker under
// a tag that names their type or field, and released under the same tag.

#include "shell/Debug.h"

template <class T> T* NewTracked(const char* tag)
{
    g_Debug.AddAllocation(tag);
    return new T();
}

template <class T> void DeleteTracked(T*& p, const char* tag)
{
    if (!p)
        return;
    delete p;
    p = nullptr;
    g_Debug.RemoveAllocation(tag);
}

// A zeroed text block of n bytes.
inline char* NewTrackedName(size_t n, const char* tag)
{
    g_Debug.AddAllocation(tag);
    return new char[n]();
}

inline void DeleteTrackedName(char*& p, const char* tag)
{
    if (!p)
        return;
    delete[] p;
    p = nullptr;
    g_Debug.RemoveAllocation(tag);
}

// Allocation tags.
inline constexpr const char* TAG_BEZIER_FOLLOW = "BezierFollowState";
inline constexpr const char* TAG_BEZIER_MOVE = "BezierMoveState";
inline constexpr const char* TAG_ROAD = "ERoadParams";
inline constexpr const char* TAG_TEXTURE_PAINT = "ETexturePaintParams";
inline constexpr const char* TAG_BLINKING = "EBlinkingParams";
inline constexpr const char* TAG_LIGHT_CONTROL = "ELightControlParams";
inline constexpr const char* TAG_SOUND = "EObjectSound";
inline constexpr const char* TAG_ACTION = "EObjectActionParams";
inline constexpr const char* TAG_DEATH = "EDeathParams";
inline constexpr const char* TAG_FX_NAME = "pFxName";
inline constexpr const char* TAG_TIE_SOCKET = "pPendingTieSocket";
inline constexpr const char* TAG_TIE_OBJECT = "pPendingTieObject";
inline constexpr const char* TAG_MESH = "EMesh";
inline constexpr const char* TAG_SKINMESH = "ESkinMesh";
