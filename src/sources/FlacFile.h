#pragma once
#include "sources/AudioFile.h"

class CFlacFile : public CAudioFile {};
