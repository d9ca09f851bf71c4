#include "output/AsioConvert.h"

#include <cmath>
#include <cstring>

#include "output/AsioInterface.h"
#include "output/SampleBytes.h"

namespace {

double LoadFloat(const uint8_t* p, int bytes) {
    if (bytes == 4) {
        float f;
        std::memcpy(&f, p, 4);
        return f;
    }
    double d;
    std::memcpy(&d, p, 8);
    return d;
}

void StoreFloat(uint8_t* p, double value, int bytes) {
    if (bytes == 4) {
        const float f = static_cast<float>(value);
        std::memcpy(p, &f, 4);
    } else {
        std::memcpy(p, &value, 8);
    }
}

void IntToInt(const AsioConversion& c, const uint8_t* in, uint8_t* out) {
    const int n = c.sourceBytes < c.driverBytes ? c.sourceBytes : c.driverBytes;
    std::memset(out, 0, static_cast<size_t>(c.driverBytes - n));
    std::memcpy(out + c.driverBytes - n, in + c.sourceBytes - n, static_cast<size_t>(n));
}

void FloatToInt(const AsioConversion& c, const uint8_t* in, uint8_t* out) {
    const uint32_t w = static_cast<uint32_t>(AsioScaleFloat(in, c.sourceBytes));
    StoreLow(out, w >> (32 - 8 * c.driverBytes), c.driverBytes);
}

// The source bits copied without sign extension, moved to the significant bits.
void IntToInt32Justified(const AsioConversion& c, const uint8_t* in, uint8_t* out) {
    uint32_t w = LoadLow(in, c.sourceBytes);
    const int shift = c.significantBits - 8 * c.sourceBytes;
    w = shift > 0 ? w << shift : w >> -shift;
    StoreLow(out, w, 4);
}

void FloatToInt32Justified(const AsioConversion& c, const uint8_t* in, uint8_t* out) {
    StoreLow(out, static_cast<uint32_t>(AsioScaleFloat(in, c.sourceBytes) >> (32 - c.significantBits)), 4);
}

// Full scale of every integer width maps to [-1, 1).
void IntToFloat(const AsioConversion& c, const uint8_t* in, uint8_t* out) {
    StoreFloat(out, LoadJustified(in, c.sourceBytes) / 2147483648.0, c.driverBytes);
}

// Floats pass unclipped: the driver's float range holds them.
void FloatToFloat(const AsioConversion& c, const uint8_t* in, uint8_t* out) {
    StoreFloat(out, LoadFloat(in, c.sourceBytes), c.driverBytes);
}

template <void (*Sample)(const AsioConversion&, const uint8_t*, uint8_t*)>
void Convert(const AsioConversion& c, const uint8_t* source, uint32_t framesPerBlock, uint32_t frames,
             uint8_t* left, uint8_t* right) {
    if (frames > framesPerBlock) frames = framesPerBlock;
    const size_t frameBytes = static_cast<size_t>(c.sourceBytes) * static_cast<size_t>(c.channels);
    const size_t second = c.channels >= 2 ? static_cast<size_t>(c.sourceBytes) : 0;
    const size_t db = static_cast<size_t>(c.driverBytes);
    for (uint32_t f = 0; f < frames; ++f, source += frameBytes) {
        Sample(c, source, left + f * db);
        Sample(c, source + second, right + f * db);
    }
    std::memset(left + frames * db, 0, (framesPerBlock - frames) * db);
    std::memset(right + frames * db, 0, (framesPerBlock - frames) * db);
}

}  // namespace

int32_t AsioScaleFloat(const uint8_t* sample, int sourceBytes) {
    const double x = sourceBytes == 4 ? LoadFloat(sample, 4) * 2147483648.0 : LoadFloat(sample, 8) * 2147483647.0;
    if (x != x) return 0;
    if (x <= -2147483648.0) return INT32_MIN;
    if (x >= 2147483647.0) return INT32_MAX;
    return static_cast<int32_t>(std::nearbyint(x));
}

bool ChooseAsioConverter(int32_t sampleType, bool floatSource, AsioConversion& c, AsioConverter& converter) {
    // The MSB codes lie 16 below their LSB counterparts.
    const int32_t type = sampleType < AsioInt16Lsb ? sampleType + AsioInt16Lsb : sampleType;
    c.significantBits = 0;
    switch (type) {
        case AsioInt16Lsb:
        case AsioInt24Lsb:
        case AsioInt32Lsb:
            c.driverBytes = 2 + (type - AsioInt16Lsb);
            converter = floatSource ? Convert<FloatToInt> : Convert<IntToInt>;
            return true;
        case AsioFloat32Lsb:
        case AsioFloat64Lsb:
            c.driverBytes = type == AsioFloat32Lsb ? 4 : 8;
            converter = floatSource ? Convert<FloatToFloat> : Convert<IntToFloat>;
            return true;
        case AsioInt32Lsb16:
        case AsioInt32Lsb18:
        case AsioInt32Lsb20:
        case AsioInt32Lsb24:
            c.driverBytes = 4;
            c.significantBits = type == AsioInt32Lsb24 ? 24 : 16 + 2 * (type - AsioInt32Lsb16);
            converter = floatSource ? Convert<FloatToInt32Justified> : Convert<IntToInt32Justified>;
            return true;
        default: return false;
    }
}
