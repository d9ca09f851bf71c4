#pragma once
#include "output/AudioDevice.h"

class CAsioOut : public CAudioDevice {};
