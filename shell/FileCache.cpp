// FileCacheManager: see FileCache.h.
#include "shell/FileCache.h"

#include "platform/win32/Path.h"
#include "shell/Console.h"
#include "shell/Debug.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <strings.h>

constinit FileCacheManager g_FileCache;

namespace
{
const char* const kDataTag = "m_Cache[i].pData";

void PrintError(const char* format, const char* fileName)
{
    char line[512];
    std::snprintf(line, sizeof line, format, fileName);
    g_Console.Print(line);
}
} // namespace

FileCacheManager::~FileCacheManager()
{
    // At exit the tracker and console may already be gone: just free.
    for (auto& e : m_Cache)
        delete[] e.pData;
}

bool FileCacheManager::HasOpenHandles(const strCacheEntry* entry) const
{
    for (const auto& h : m_Handles)
        if (h.bUsed && h.pEntry == entry)
            return true;
    return false;
}

void FileCacheManager::FreeEntry(strCacheEntry* entry)
{
    if (entry->pData)
    {
        delete[] entry->pData;
        g_Debug.RemoveAllocation(kDataTag);
    }
    *entry = strCacheEntry{};
}

int FileCacheManager::AddToCache(const char* fileName)
{
    if (!fileName)
        return -1;
    int index = -1;
    for (int i = 0; i < MAX_CACHED_FILES; ++i)
        if (!m_Cache[i].bUsed && !m_Cache[i].bOrphaned)
        {
            index = i;
            break;
        }
    if (index < 0)
    {
        PrintError("ERROR in FileCacheManager: no more free space in cache! file: %s", fileName);
        return -1;
    }
    if (std::strlen(fileName) > MAX_CACHED_FILE_NAME)
    {
        // A cut name would never be found again, and every Open would add anew.
        PrintError("ERROR in FileCacheManager: file name too long! file: %s", fileName);
        return -1;
    }

    FILE* f = TkFopen(fileName, "rb");
    if (!f)
        return -1;
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0)
        size = std::ftell(f);
    if (size < 0 || static_cast<unsigned long long>(size) > 0xFFFFFFFFull || std::fseek(f, 0, SEEK_SET) != 0)
    {
        std::fclose(f);
        PrintError("ERROR in FileCacheManager: cannot read file! file: %s", fileName);
        return -1;
    }
    BYTE* data = new (std::nothrow) BYTE[size > 0 ? size : 1];
    if (!data)
    {
        std::fclose(f);
        PrintError("ERROR in FileCacheManager: out of memory! file: %s", fileName);
        return -1;
    }
    const size_t got = std::fread(data, 1, static_cast<size_t>(size), f);
    std::fclose(f);
    if (got != static_cast<size_t>(size))
    {
        delete[] data;
        PrintError("ERROR in FileCacheManager: cannot read file! file: %s", fileName);
        return -1;
    }
    g_Debug.AddAllocation(kDataTag);

    strCacheEntry& e = m_Cache[index];
    std::snprintf(e.szFileName, sizeof e.szFileName, "%s", fileName);
    e.iSize = static_cast<DWORD>(size);
    e.pData = data;
    e.bUsed = 1;
    e.bOrphaned = 0;
    return index;
}

void FileCacheManager::RemoveFromCache(const char* fileName)
{
    if (!fileName)
        return;
    for (auto& e : m_Cache)
    {
        if (!e.bUsed || strcasecmp(e.szFileName, fileName) != 0)
            continue;
        if (HasOpenHandles(&e))
        {
            // Freeing now would pull the data from under those readers.
            e.bUsed = 0;
            e.bOrphaned = 1;
        }
        else
        {
            FreeEntry(&e);
        }
        return;
    }
}

strCachedFile* FileCacheManager::Open(const char* fileName)
{
    if (!fileName)
        return nullptr;
    strCacheEntry* entry = nullptr;
    for (auto& e : m_Cache)
        if (e.bUsed && strcasecmp(e.szFileName, fileName) == 0)
        {
            entry = &e;
            break;
        }
    if (!entry)
    {
        const int index = AddToCache(fileName);
        if (index < 0)
            return nullptr;
        entry = &m_Cache[index];
    }
    for (auto& h : m_Handles)
    {
        if (h.bUsed)
            continue;
        h.iPosition = 0;
        h.pEntry = entry;
        h.bUsed = 1;
        return &h;
    }
    PrintError("ERROR in FileCacheManager: no more free file handles! file: %s", fileName);
    return nullptr;
}

void FileCacheManager::ReadLine(strCachedFile* file, char* buffer, DWORD n)
{
    if (!file || !file->bUsed || !file->pEntry || !buffer || n == 0)
        return;
    const strCacheEntry& e = *file->pEntry;
    DWORD& pos = file->iPosition;
    DWORD stored = 0;
    for (;;)
    {
        if (pos >= e.iSize)
        {
            buffer[stored] = 0;
            pos = e.iSize;
            return;
        }
        const BYTE c = e.pData[pos];
        if (c == '\r')
        {
            // CRLF is one line end, and so is a lone CR.
            buffer[stored] = 0;
            pos += (pos + 1 < e.iSize && e.pData[pos + 1] == '\n') ? 2 : 1;
            return;
        }
        if (c == '\n')
        {
            buffer[stored] = 0;
            pos += 1;
            return;
        }
        buffer[stored++] = static_cast<char>(c);
        ++pos;
        if (stored == n)
        {
            buffer[n] = 0;
            return;
        }
    }
}

bool FileCacheManager::Eof(strCachedFile* file)
{
    if (!file || !file->bUsed || !file->pEntry)
        return false;
    if (file->iPosition >= file->pEntry->iSize)
    {
        file->iPosition = file->pEntry->iSize;
        return true;
    }
    return false;
}

void FileCacheManager::Close(strCachedFile* file)
{
    if (!file || !file->bUsed)
        return;
    strCacheEntry* entry = file->pEntry;
    file->bUsed = 0;
    file->pEntry = nullptr;
    file->iPosition = 0;
    if (entry && entry->bOrphaned && !HasOpenHandles(entry))
        FreeEntry(entry);
}
