#pragma once
#include "output/AudioDevice.h"

class CWinMMEOut : public CAudioDevice {};
