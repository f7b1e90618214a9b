#pragma once
// A key table of the world reader looked up by a line's keyword: the entries
// of the keyword's length are compared, in table order, so of two entries
// with the same key the first is found. Most lengths hold one or two keys.

#include <cstring>
#include <string_view>
#include <vector>

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
            m_byLength[length].push_back(&e);
        }
    }

    const Entry* Find(const char* keyword, size_t length) const
    {
        if (length == 0 || length >= m_byLength.size())
            return nullptr;
        for (const Entry* e : m_byLength[length])
            if (e->key[0] == keyword[0] && std::memcmp(e->key, keyword, length) == 0)
                return e;
        return nullptr;
    }

private:
    std::vector<std::vector<const Entry*>> m_byLength;
};
