// tk_worldgen DATA_DIR: writes the demo world (meshes, levels of detail,
// sockets and the world file) into the data tree at DATA_DIR.
#include "tools/worldgen/DemoWorld.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s DATA_DIR\n", argv[0]);
        return 2;
    }
    if (!worldgen::WriteDemoWorld(argv[1]))
    {
        std::fprintf(stderr, "tk_worldgen: a file could not be written under %s\n", argv[1]);
        return 1;
    }
    std::printf("tk_worldgen: wrote %s under %s\n", worldgen::DEMO_WORLD_FILE, argv[1]);
    return 0;
}
