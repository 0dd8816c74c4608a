// The CAD engine's interface: the only engine header that the program includes.
// Handles are ints; texts cross this interface as Windows-1250 bytes.
#pragma once

#include <string>

// The engine's version, "major.minor".
std::string cadVersion();
