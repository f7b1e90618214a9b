#pragma once
// A key table of the world reader looked up by a line's keyword: the entries
// of the keyword's length are compared, in table order, so of two entries
// with the same key the first is found. Most lengths hold one or two keys.

#include <cstring>
#include <string_view>
#include <vector>

// Every key of the table starts with the prefix: a parser that looks a keyword
// up only when it has the prefix then misses none of them.
template <class Entry, size_t N>
constexpr bool AllKeysStartWith(const Entry (&entries)[N], std::string_view prefix)
{
    for (const Entry& e : entries)
        if (!std::string_view(e.key).starts_with(prefix))
            return false;
    return true;
}

template <class Entry> class WorldKeyIndex
{
public:
    template <size_t N> explicit WorldKeyIndex(const Entry (&entries)[N])
    {
        for (const Entry& e : entries)
        {
            const size_t length = std::string_view(e.key).size();
            if (length >= m_byLength.size())
                m_byLength.resize(length + 1);
            m_byLength[length].push_back({length ? e.key[0] : '\0', &e});
        }
    }

    const Entry* Find(const char* keyword, size_t length) const
    {
        if (length == 0 || length >= m_byLength.size())
            return nullptr;
        for (const Slot& slot : m_byLength[length])
            if (slot.first == keyword[0] && std::memcmp(slot.entry->key, keyword, length) == 0)
                return slot.entry;
        return nullptr;
    }

private:
    // The first character is kept beside the entry: most keys of a length
    // differ in it, and it is compared without reaching the key.
    struct Slot
    {
        char first;
        const Entry* entry;
    };
    std::vector<std::vector<Slot>> m_byLength;
};
