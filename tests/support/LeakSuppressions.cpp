// Leak-checker suppressions of every test program (read by LeakSanitizer in
// the sanitizer builds; nothing else calls it).
//
// Mesa's software rasteriser (llvmpipe, in swrast_dri.so) loses blocks of its
// own in some orders of draws: in the render tests, when the debug arrows'
// fixed-function lines are drawn after enough other draws of the same process,
// some hundreds of the driver's blocks and LLVM's code for a compiled shader
// are left unreferenced at exit. The order comes from the shuffle, so the check
// at exit failed some shuffled runs and not others. Every block suppressed
// here is allocated and lost inside the driver; the game's own blocks are
// still checked.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:swrast_dri.so\n"
           "leak:libLLVM\n";
}
