// The animation-file reader on arbitrary bytes: whatever is read is sampled at a few times, and what
// was read writes back to the same bytes' meaning.
#include "FuzzInput.h"

#include "mesh/BinaFile.h"
#include "mesh/SkinMeshAnimation.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool started = false;
    if (!started)
    {
        fuzzinput::StartLogging();
        started = true;
    }
    fuzzinput::WriteInput("models/fuzz/animations/anim.bin", data, size);
    {
        ESkinMeshAnimation animation;
        if (ESkinMeshAnimation::Load_Animation_From_Bin_File("models\\fuzz\\animations\\anim.bin",
                                                             &animation))
            for (double t : {-1.0, 0.0, 0.37, 1.0, 5.5, 1e30})
                for (BYTE loop : {BYTE(0), BYTE(1)})
                {
                    strAnimationSlot slot;
                    slot.bLoop = loop;
                    slot.dTime = t;
                    ESkinMeshAnimation::Sample(&animation, &slot);
                }
    }
    BinaContent content;
    if (bina::Read(data, size, &content, nullptr))
    {
        const std::vector<BYTE> again = bina::Write(content);
        BinaContent back;
        if (!bina::Read(again.data(), again.size(), &back, nullptr) ||
            back.nodes.size() != content.nodes.size())
            std::abort();
    }
    FreeLinkFields();
    fuzzinput::RemoveLogs();
    return 0;
}
