#include "platform/win32/Wildcard.h"

#include <cctype>
#include <cstring>
#include <vector>

namespace
{
enum class Token
{
    Letter,  // one character, case-blind
    Star,    // any run
    DosStar, // any run short of the name's last '.'
    DosQm,   // one character but '.', or nothing before a '.' or the end
    DosDot,  // a '.', or nothing at the end of the name
};

struct Piece
{
    Token token;
    char letter;
};

std::vector<Piece> Compile(const char* pattern)
{
    std::vector<Piece> pieces;
    for (const char* p = pattern; *p; ++p)
    {
        const char next = p[1];
        if (*p == '?')
            pieces.push_back({Token::DosQm, 0});
        else if (*p == '*')
            pieces.push_back({next == '.' ? Token::DosStar : Token::Star, 0});
        else if (*p == '.' && (next == '*' || next == '?' || next == 0))
            pieces.push_back({Token::DosDot, 0});
        else
            pieces.push_back({Token::Letter, *p});
    }
    return pieces;
}

bool SameLetter(char a, char b)
{
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}
} // namespace

bool TkMatchWildcard(const char* pattern, const char* name)
{
    if (!pattern || !name)
        return false;
    const std::vector<Piece> pieces = Compile(pattern);
    const size_t m = pieces.size();
    const size_t n = std::strlen(name);
    const char* lastDotAt = std::strrchr(name, '.');
    const size_t lastDot = lastDotAt ? static_cast<size_t>(lastDotAt - name) : n;

    // fits[i][j]: pieces from i on match the name from j on. Filled from the
    // ends backwards: time and room are pattern length times name length, and
    // no pattern makes it blow up however many stars it holds.
    std::vector<char> fits((m + 1) * (n + 1), 0);
    auto at = [&](size_t i, size_t j) -> char& { return fits[i * (n + 1) + j]; };
    at(m, n) = 1;
    for (size_t i = m; i-- > 0;)
        for (size_t j = n + 1; j-- > 0;)
        {
            const Piece& piece = pieces[i];
            const bool more = j < n;
            const char c = more ? name[j] : 0;
            bool ok = false;
            switch (piece.token)
            {
            case Token::Letter:
                ok = more && SameLetter(piece.letter, c) && at(i + 1, j + 1);
                break;
            case Token::Star:
                ok = at(i + 1, j) || (more && at(i, j + 1));
                break;
            case Token::DosStar:
                ok = at(i + 1, j) || (more && j != lastDot && at(i, j + 1));
                break;
            case Token::DosQm:
                ok = (more && c != '.') ? at(i + 1, j + 1) : at(i + 1, j);
                break;
            case Token::DosDot:
                ok = more ? c == '.' && at(i + 1, j + 1) : at(i + 1, j);
                break;
            }
            at(i, j) = ok ? 1 : 0;
        }
    return at(0, 0) != 0;
}
