// The characters' eyes file: per model, the names its left and right eyes are
// drawn with. Read when the logic starts a world; the eye step that uses the
// table comes with the characters.
#include "world/Engine.h"

#include "platform/win32/Path.h"
#include "shell/TextUtils.h"
#include "world/EngineObject.h"

#include <cstdio>
#include <memory>

namespace
{
constexpr const char* kEyesFile = "scripts\\character_eyes.txt";
constexpr int kEyesLineChars = 256;

// A value cut to its field.
template <size_t N> void CopyCut(char (&to)[N], const char* from)
{
    std::snprintf(to, N, "%s", from);
}
} // namespace

void EEngine::LoadCharacterEyes()
{
    EEngineObject& logic = g_EngineObject;
    for (strCharacterEyes& e : logic.m_Eyes)
        e = strCharacterEyes{};
    logic.m_iNumEyes = 0;
    FILE* f = TkFopen(kEyesFile, "rb");
    if (!f)
        return;
    auto line = std::make_unique<char[]>(kEyesLineChars + 1);
    // The entry the eye lines change: none before the first model line, and
    // none after a model line the table has no room for.
    strCharacterEyes* current = nullptr;
    while (!std::feof(f) && !std::ferror(f))
    {
        line[0] = 0;
        ReadLine(f, line.get(), kEyesLineChars);
        const char* text = line.get();
        if (IsKeyword(text, "model"))
        {
            current = nullptr;
            if (logic.m_iNumEyes < EEngineObject::MAX_EYE_MODELS)
            {
                current = &logic.m_Eyes[logic.m_iNumEyes++];
                CopyCut(current->szModel, GetToken(text, 1));
            }
        }
        else if (current && IsKeyword(text, "oko_l"))
        {
            CopyCut(current->szLeft, GetToken(text, 1));
            CopyCut(current->szLeft2, GetToken(text, 2));
        }
        else if (current && IsKeyword(text, "oko_p"))
        {
            CopyCut(current->szRight, GetToken(text, 1));
            CopyCut(current->szRight2, GetToken(text, 2));
        }
    }
    std::fclose(f);
}
