// No ASIO drivers are installed natively: the list is empty.
#include "output/AsioDriverList.h"

namespace {
class CNoDrivers : public CAsioDriverListBase {
public:
    int Count() override { return 0; }
    int GetName(int, char* buffer, int) override { return buffer ? AsioListNoEntry : AsioListNullArgument; }
    int CreateDriver(int, IAsioDriver** out) override { return out ? AsioListNoEntry : AsioListNullArgument; }
    int ReleaseDriver(int) override { return 0; }
};
}  // namespace

std::unique_ptr<CAsioDriverListBase> OpenAsioDriverList() { return std::make_unique<CNoDrivers>(); }
