// The process entry: the game has no command line, so this hands control to
// WinMain with the instance handle and the default show code.
#include "platform/win32/Win32.h"

#include <clocale>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCode);

int main()
{
    // Numbers in the game's text files are read and written with '.' decimals.
    std::setlocale(LC_ALL, "C");
    static char empty[1] = {0};
    return WinMain(reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000)), nullptr, empty,
                   SW_SHOWDEFAULT);
}
