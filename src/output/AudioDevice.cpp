#include "output/AudioDevice.h"

int CAudioDevice::Open(OutputParams&) { return 0; }
void CAudioDevice::Close() {}
int CAudioDevice::Write(const uint8_t*, uint32_t) { return 0; }
int CAudioDevice::GetState() { return DeviceClosed; }
int CAudioDevice::Pause(int) { return 1; }
int CAudioDevice::GetPosition() { return 0; }
void CAudioDevice::Reset(int) {}
int CAudioDevice::GetBlockBytes() { return 0; }
