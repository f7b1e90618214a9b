#pragma once
// SkinMeshCacheAnimation: finds animation files by name below a folder and loads them into a table,
// and lists the animation names a folder holds.

#include "mesh/SkinMeshAnimation.h"

#include <string>
#include <vector>

class SkinMeshCacheAnimation
{
public:
    // Listings keep at most this many names (one short of the tables' size).
    static constexpr size_t MAX_LISTED_NAMES = 999;

    virtual ~SkinMeshCacheAnimation() = default;

    // Loads the animation called `name` found below `folder` into the first free entry of the table
    // (capacity entries, `count` used): its index, or -1 with the console lines.
    int LoadAnimation(const char* folder, const char* name, int* count, ESkinMeshAnimation** table,
                      int capacity);
    // The names of the ".bin" files below the folder, without "_DEFAULT.bin" or ".bin"; a default
    // animation's name goes into m_szDefaultName.
    void ListAnimationNames(const char* folder, std::vector<std::string>* names);

    char m_szDefaultName[ESkinMeshAnimation::NAME_SIZE] = {};
};

extern SkinMeshCacheAnimation g_SkinMeshCacheAnimation;

// The animation name of a file name, and whether it is the model's default animation.
std::string AnimationNameOfFile(const char* fileName, bool* isDefault);
