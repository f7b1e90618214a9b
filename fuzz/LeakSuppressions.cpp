// Shared by every fuzz target.

// The device's console font is matched through fontconfig once, at start-up;
// fontconfig keeps what it allocates for that behind references the leak
// checker cannot follow until FcFini frees it at exit. The check that runs
// between inputs (whenever an input leaves more allocations than it freed,
// such as the file-name caches filling) would otherwise report it.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
