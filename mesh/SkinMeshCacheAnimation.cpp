// Animation files found by name below a model's folder.
#include "mesh/SkinMeshCacheAnimation.h"

#include "platform/win32/Win32.h"
#include "shell/Console.h"
#include "shell/TextUtils.h"

#include <cstdio>
#include <cstring>
#include <functional>

SkinMeshCacheAnimation g_SkinMeshCacheAnimation;

namespace
{
constexpr size_t kDefaultSuffix = 12; // "_DEFAULT.bin"
constexpr size_t kExtension = 4;      // ".bin"
constexpr size_t kBinSuffix = 3;      // "bin"
// Folders below an animation folder are searched this deep at most, so a link back up never loops.
constexpr int kMaxDepth = 16;

bool EndsWithNoCase(const char* text, const char* end)
{
    const size_t n = std::strlen(text), m = std::strlen(end);
    return n >= m && CompareNoCase(text + n - m, end) == 0;
}

// Calls `visit` (full path, file name) for every file of the folder and below, folders as they come;
// false from `visit` ends the walk.
bool Walk(const std::string& folder, int depth,
          const std::function<bool(const std::string&, const char*)>& visit)
{
    if (depth > kMaxDepth)
        return true;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return true;
    bool go = true;
    do
    {
        if (std::strcmp(data.cFileName, ".") == 0 || std::strcmp(data.cFileName, "..") == 0)
            continue;
        const std::string path = folder + "\\" + data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            go = Walk(path, depth + 1, visit);
        else
            go = visit(path, data.cFileName);
    } while (go && FindNextFileA(find, &data));
    FindClose(find);
    return go;
}
} // namespace

std::string AnimationNameOfFile(const char* fileName, bool* isDefault)
{
    const size_t n = std::strlen(fileName);
    *isDefault = false;
    if (n > kDefaultSuffix && EndsWithNoCase(fileName, "_DEFAULT.bin"))
    {
        *isDefault = true;
        return std::string(fileName, n - kDefaultSuffix);
    }
    if (n > kExtension && EndsWithNoCase(fileName, ".bin"))
        return std::string(fileName, n - kExtension);
    return std::string(fileName, n >= kBinSuffix ? n - kBinSuffix : n);
}

int SkinMeshCacheAnimation::LoadAnimation(const char* folder, const char* name, int* count,
                                          ESkinMeshAnimation** table, int capacity)
{
    if (!folder || !name || !count || !table)
        return -1;
    int slot = -1;
    for (int i = 0; i < *count && i < capacity; ++i)
        if (!table[i])
        {
            slot = i;
            break;
        }
    if (slot < 0)
    {
        if (*count >= capacity)
        {
            g_Console.Print(" ");
            g_Console.Print("FATAL INTERNAL ERROR in SkinMeshBase: MAX_ANIMATIONS_IN_SKINMESHBASE exceeded!");
            g_Console.Print(" ");
            return -1;
        }
        slot = (*count)++;
    }
    auto* animation = new ESkinMeshAnimation;
    table[slot] = animation;
    Walk(folder, 0,
         [&](const std::string& path, const char* file)
         {
             if (!EndsWithNoCase(file, "bin"))
                 return true;
             bool isDefault = false;
             const std::string found = AnimationNameOfFile(file, &isDefault);
             if (CompareNoCase(found.c_str(), name) != 0)
                 return true;
             // Only the file that is loaded marks the animation default.
             std::snprintf(animation->szName, sizeof animation->szName, "%s", found.c_str());
             animation->bDefault = isDefault ? 1 : 0;
             if (!ESkinMeshAnimation::Load_Animation_From_Bin_File(path.c_str(), animation))
             {
                 char line[MAX_PATH + 64];
                 g_Console.Print(" ");
                 std::snprintf(line, sizeof line, "\nProblem with skinmesh's animation: %s", file);
                 g_Console.Print(line);
                 g_Console.Print2("szFullPath: ", path.c_str());
                 g_Console.Print(" ");
             }
             return !animation->IsLoaded();
         });
    if (!animation->IsLoaded())
    {
        delete animation;
        table[slot] = nullptr;
        g_Console.Print(" ");
        g_Console.Print(" ");
        g_Console.Print("ERROR in SearchAndLoadAnimation___START(): Animation not found or corrupted!");
        g_Console.Print("Bad animation name:");
        g_Console.Print(name);
        g_Console.Print("Directory Path:");
        g_Console.Print(folder);
        g_Console.Print(" ");
        g_Console.Print(" ");
        return -1;
    }
    return slot;
}

void SkinMeshCacheAnimation::ListAnimationNames(const char* folder, std::vector<std::string>* names)
{
    m_szDefaultName[0] = 0;
    if (!folder || !names)
        return;
    Walk(folder, 0,
         [&](const std::string&, const char* file)
         {
             if (!EndsWithNoCase(file, "bin"))
                 return true;
             if (names->size() >= MAX_LISTED_NAMES)
             {
                 g_Console.Print(" ");
                 g_Console.Print(" ");
                 g_Console.Print(
                     "FATAL INTERNAL ERROR in SkinMeshBase: MAX_ANIMATIONS_IN_SKINMESHBASE exceeded!");
                 g_Console.Print(" ");
                 g_Console.Print(" ");
                 return true;
             }
             bool isDefault = false;
             std::string name = AnimationNameOfFile(file, &isDefault);
             if (name.size() >= ESkinMeshAnimation::NAME_SIZE)
                 name.resize(ESkinMeshAnimation::NAME_SIZE - 1);
             if (isDefault)
                 std::snprintf(m_szDefaultName, sizeof m_szDefaultName, "%s", name.c_str());
             names->push_back(name);
             return true;
         });
    for (size_t i = 0; i < names->size(); ++i)
        for (size_t j = i + 1; j < names->size(); ++j)
            if (CompareNoCase((*names)[i].c_str(), (*names)[j].c_str()) == 0)
            {
                g_Console.Print(" ");
                g_Console.Print("ERROR: Two animations with the same name!!!");
                g_Console.Print2("Duplicated name: ", (*names)[i].c_str());
                g_Console.Print2("szDirectoryName: ", folder);
                g_Console.Print(" ");
            }
}
