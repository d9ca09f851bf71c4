#pragma once
#include "sources/AudioFile.h"

class CMpegFile : public CAudioFile {};
