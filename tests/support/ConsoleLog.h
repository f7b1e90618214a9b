#pragma once
// The console writes "!console.txt" into the folder that was current when the
// program started. Tests that look at the log send it to a folder of their own.

#include <string>

class ConsoleLogHere
{
public:
    // From now on the console logs into the current folder.
    ConsoleLogHere();
    // Back to the folder it logged into before.
    ~ConsoleLogHere();
    ConsoleLogHere(const ConsoleLogHere&) = delete;
    ConsoleLogHere& operator=(const ConsoleLogHere&) = delete;

private:
    std::string m_previous;
};

// The whole console log as it is now.
std::string ConsoleLog();
