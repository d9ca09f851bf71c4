#pragma once
#include "sources/AudioFile.h"

class CWmaFile : public CAudioFile {};
