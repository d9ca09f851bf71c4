#pragma once
// The installed ASIO drivers, by index: their names and the creation and release of their
// driver objects. On Windows the list comes from the registry and drivers are created
// through COM (win32/AsioDriverList.cpp); natively no driver is installed.
#include <memory>
#include <string>
#include <vector>

#include "output/AsioInterface.h"

enum : int { AsioListNullArgument = -5001, AsioListDriverExists = -5002, AsioListNoEntry = -5003 };

class CAsioDriverListBase {
public:
    virtual ~CAsioDriverListBase() = default;
    virtual int Count() = 0;
    // The name in a buffer of size bytes; a name that does not fit ends in "...".
    virtual int GetName(int index, char* buffer, int size) = 0;
    // 0 with the new driver object in out, or the creation's failure code.
    virtual int CreateDriver(int index, IAsioDriver** out) = 0;
    virtual int ReleaseDriver(int index) = 0;
};

// A fresh list of the installed drivers.
std::unique_ptr<CAsioDriverListBase> OpenAsioDriverList();

// Copies name into a buffer of size bytes; when it is not shorter than size, the first
// size - 4 characters and "...".
int CopyAsioDriverName(const std::string& name, char* buffer, int size);

// The full names of the installed drivers, for the setup dialog; false when there is none.
bool AsioDriverNames(std::vector<std::wstring>& names);
