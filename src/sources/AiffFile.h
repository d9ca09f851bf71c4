#pragma once
#include "sources/AudioFile.h"

class CAiffFile : public CAudioFile {};
