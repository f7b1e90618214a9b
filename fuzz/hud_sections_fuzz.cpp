// The HUD's and the task box's sections of a save game, read from any bytes:
// they end at the end of the data, their floats stay finite and in range,
// and the task log is never read past.
#include "ui/Objective.h"
#include "ui/Panel.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file)
        return 0;
    g_Panel.Load(file);
    g_Objective.Load(file);
    std::fclose(file);
    if (!std::isfinite(g_Panel.m_fFadeAlpha) || g_Panel.m_fFadeAlpha < 0.0f || g_Panel.m_fFadeAlpha > 1.0f ||
        !std::isfinite(g_Panel.m_fLetterbox) || g_Objective.m_iLogCount > TASK_LOG_LINES ||
        g_Objective.m_iState > Objective::STATE_CLOSING || !std::isfinite(g_Objective.m_fWidth))
        std::abort();
    for (const char* line : g_Objective.m_szLog)
        if (std::memchr(line, 0, TASK_LOG_LINE_SIZE) == nullptr)
            std::abort();
    return 0;
}
