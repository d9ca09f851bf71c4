#pragma once
// What the command line asks for.
#include <string>
#include <vector>

// The file to play: the last argument after the program name that is neither an option
// ("/" first) nor empty; empty when there is none. Options are accepted and have no effect.
std::wstring CommandLineFile(const std::vector<std::wstring>& args);
