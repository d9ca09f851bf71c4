#pragma once
// The converters from source frames to the two driver channels of an ASIO output pair,
// one per family of driver sample types.
#include <cstdint>

// The source frame and driver sample layout a converter works with.
struct AsioConversion {
    int sourceBytes = 0;      // per sample: 1 to 4 for integers, 4 or 8 for floats
    int channels = 0;         // of the source; a mono source feeds both driver channels
    int driverBytes = 0;      // per driver sample
    int significantBits = 0;  // of the 32-bit justified types
};

// Writes frames source frames into left and right and zeroes them up to framesPerBlock.
using AsioConverter = void (*)(const AsioConversion& c, const uint8_t* source, uint32_t framesPerBlock,
                               uint32_t frames, uint8_t* left, uint8_t* right);

// Fills in the driver bytes, significant bits and converter of a sample type for integer
// or float sources. False for a type no converter plays.
bool ChooseAsioConverter(int32_t sampleType, bool floatSource, AsioConversion& c, AsioConverter& converter);

// A float sample scaled to the 32-bit integer range and rounded to the nearest integer;
// values beyond full scale are clipped and NaN gives 0.
int32_t AsioScaleFloat(const uint8_t* sample, int sourceBytes);
