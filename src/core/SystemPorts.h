#pragma once
// Small ports to the operating system that the core reaches through.

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

class PortLister {
public:
    virtual ~PortLister() = default;
    // The serial ports of the machine, in the order the system lists them.
    virtual std::vector<std::string> GetComPortList() = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    // Local wall-clock time.
    virtual std::tm Now() = 0;
};

// The two folders the program keeps its files in.
struct ProgramPaths {
    std::filesystem::path ProgramFolder;  // holds settings/ with the installed data files
    std::filesystem::path DataFolder;     // per-user data folder (BrevRec)
};
