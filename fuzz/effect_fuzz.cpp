// The effect file reader on any bytes: the input is the effect, and any
// include it names reads the input again (so cycles and nesting are reached).
#include "platform/d3dx/EffectFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    TkFxReadFile read = [&](const std::string& name, std::string* out)
    {
        if (name.find("missing") != std::string::npos)
            return false;
        *out = text;
        return true;
    };
    TkFxFile fx;
    std::string errors;
    TkParseEffect("fx\\fuzz.fxc", read, &fx, &errors);
    return 0;
}
