#pragma once
// FileCacheManager: whole files kept in memory so that text files read again
// and again (the description files of skinned models, read by every instance)
// come from disk once per run. Readers open a cached file, read it line by line
// through a handle and close the handle; the data stay cached.

#include "platform/win32/WinTypes.h"

struct strCacheEntry
{
    BYTE bUsed = 0;
    char szFileName[263] = {}; // as given by the first reader
    DWORD iSize = 0;
    BYTE* pData = nullptr; // exactly iSize bytes, no terminator
    // Removed from the cache while handles still read it: no longer found by
    // name, freed when the last of those handles closes.
    BYTE bOrphaned = 0;
};

struct strCachedFile
{
    BYTE bUsed = 0;
    strCacheEntry* pEntry = nullptr;
    DWORD iPosition = 0; // byte offset into the entry's data
};

class FileCacheManager
{
public:
    static constexpr int MAX_CACHED_FILES = 500;
    static constexpr int MAX_CACHED_FILE_HANDLES = 500;
    static constexpr int MAX_CACHED_FILE_NAME = 262;

    constexpr FileCacheManager() = default;
    virtual ~FileCacheManager();

    // Reads the whole file into a free entry: its index, or -1 (full cache:
    // a console line; missing file: silently).
    int AddToCache(const char* fileName);
    // Drops the first entry with that name. Handles still reading it go on
    // reading; its memory is freed when the last of them closes.
    void RemoveFromCache(const char* fileName);
    // A handle at byte 0 of the cached file (cached now when it is not yet),
    // or null.
    strCachedFile* Open(const char* fileName);
    // Reads one line into buffer, which holds n + 1 bytes. LF, CRLF and a lone
    // CR each end a line and are not stored. A line longer than n comes in
    // pieces of n. At the end: the empty string. Null or closed handle, or
    // n = 0: the buffer is left as it was.
    void ReadLine(strCachedFile* file, char* buffer, DWORD n);
    // True at the end of the data; false for a null or closed handle.
    bool Eof(strCachedFile* file);
    // Frees the handle; the entry stays cached.
    void Close(strCachedFile* file);

    strCacheEntry m_Cache[MAX_CACHED_FILES];
    strCachedFile m_Handles[MAX_CACHED_FILE_HANDLES];

private:
    bool HasOpenHandles(const strCacheEntry* entry) const;
    void FreeEntry(strCacheEntry* entry);
};

extern FileCacheManager g_FileCache;
