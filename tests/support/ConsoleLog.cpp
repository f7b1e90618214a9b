#include "support/ConsoleLog.h"

#include "shell/Console.h"

#include <filesystem>
#include <fstream>
#include <sstream>

ConsoleLogHere::ConsoleLogHere() : m_previous(g_Console.GetStartupDirectory())
{
    g_Console.SetStartupDirectory(std::filesystem::current_path().c_str());
}

ConsoleLogHere::~ConsoleLogHere()
{
    g_Console.SetStartupDirectory(m_previous.c_str());
}

std::string ConsoleLog()
{
    std::ifstream in(std::filesystem::path(g_Console.GetStartupDirectory()) / "!console.txt",
                     std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
