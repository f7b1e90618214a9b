// The demo world's looping effects: the objects that start one when the level
// runs, through their world-file key "set_fx". The effects themselves are the
// hand-written definitions of "afx\".
#include "tools/worldgen/DemoWorld.h"

namespace worldgen
{
std::vector<DemoEffect> DemoEffects()
{
    return {
        {"barrel_03", "e_ogien_beczka"}, // a barrel on fire, with its smoke
        {"house_02", "dym_komin"},       // smoke from two chimneys
        {"house_09", "dym_komin"},
    };
}

std::string DemoEffectLines(const std::string& object, const char* eol)
{
    std::string lines;
    for (const DemoEffect& e : DemoEffects())
        if (e.object == object)
            lines += "set_fx " + e.effect + eol;
    return lines;
}
} // namespace worldgen
