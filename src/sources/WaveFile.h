#pragma once
#include "sources/AudioFile.h"

class CWaveFile : public CAudioFile {};
