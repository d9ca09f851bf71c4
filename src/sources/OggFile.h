#pragma once
#include "sources/AudioFile.h"

class COggFile : public CAudioFile {};
