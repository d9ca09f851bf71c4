#include "output/AsioConvert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "output/AsioInterface.h"
#include "settings/AsioPairNames.h"

namespace {

uint64_t F32(float f) {
    uint32_t w;
    std::memcpy(&w, &f, 4);
    return w;
}
uint64_t F64(double d) {
    uint64_t w;
    std::memcpy(&w, &d, 8);
    return w;
}

std::vector<uint8_t> Bytes(uint64_t value, int count) {
    std::vector<uint8_t> out;
    for (int i = 0; i < count; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return out;
}

uint64_t Value(const uint8_t* p, int count) {
    uint64_t w = 0;
    for (int i = 0; i < count; ++i) w |= uint64_t{p[i]} << (8 * i);
    return w;
}

struct Case {
    int32_t type;
    bool floatSource;
    int sourceBytes;
    uint64_t source;
    uint64_t expected;  // the driver sample's bytes, little-endian
};

// One sample of each source width through every family of driver types.
const Case kCases[] = {
    // 16-bit source
    {AsioInt16Lsb, false, 2, 0x1234, 0x1234},
    {AsioInt24Lsb, false, 2, 0x1234, 0x123400},
    {AsioInt32Lsb, false, 2, 0x1234, 0x12340000},
    {AsioFloat32Lsb, false, 2, 0x1234, F32(0x1234 / 32768.0f)},
    {AsioFloat64Lsb, false, 2, 0x8000, F64(-1.0)},
    {AsioInt32Lsb16, false, 2, 0x1234, 0x1234},
    {AsioInt32Lsb18, false, 2, 0x1234, 0x48D0},
    {AsioInt32Lsb20, false, 2, 0x1234, 0x12340},
    {AsioInt32Lsb24, false, 2, 0x1234, 0x123400},
    {AsioInt32Lsb16, false, 2, 0xFFFE, 0xFFFE},      // not sign-extended
    {AsioInt32Lsb24, false, 2, 0xFFFE, 0xFFFE00},
    // 8-bit source (already signed) and 24- and 32-bit sources
    {AsioInt16Lsb, false, 1, 0x81, 0x8100},
    {AsioInt32Lsb18, false, 1, 0x12, 0x4800},
    {AsioFloat32Lsb, false, 1, 0xC0, F32(-0.5f)},
    {AsioInt16Lsb, false, 3, 0x123456, 0x1234},
    {AsioInt32Lsb, false, 3, 0x123456, 0x12345600},
    {AsioInt32Lsb16, false, 3, 0x123456, 0x1234},
    {AsioInt32Lsb20, false, 3, 0x123456, 0x12345},
    {AsioInt24Lsb, false, 4, 0x12345678, 0x123456},
    {AsioFloat64Lsb, false, 4, 0x12345678, F64(0x12345678 / 2147483648.0)},
    {AsioInt32Lsb24, false, 4, 0x12345678, 0x123456},
    // float sources: 32-bit scaled by 2^31, 64-bit by 2^31 - 1, clipped at full scale
    {AsioInt16Lsb, true, 4, F32(0.5f), 0x4000},
    {AsioInt24Lsb, true, 4, F32(-0.5f), 0xC00000},
    {AsioInt32Lsb, true, 4, F32(1.0f), 0x7FFFFFFF},
    {AsioInt32Lsb, true, 4, F32(-1.0f), 0x80000000},
    {AsioInt16Lsb, true, 4, F32(3.0f), 0x7FFF},
    {AsioInt16Lsb, true, 4, F32(-3.0f), 0x8000},
    {AsioInt32Lsb, true, 4, F32(NAN), 0},
    {AsioInt32Lsb, true, 8, F64(0.25), 0x20000000},
    {AsioInt32Lsb, true, 8, F64(1e-9), 2},
    {AsioInt32Lsb16, true, 4, F32(0.5f), 0x4000},
    {AsioInt32Lsb24, true, 4, F32(-0.5f), 0xFFC00000},  // arithmetic shift keeps the sign
    {AsioInt32Lsb18, true, 8, F64(0.5), 0x10000},
    {AsioFloat32Lsb, true, 4, F32(2.5f), F32(2.5f)},       // floats are not clipped
    {AsioFloat64Lsb, true, 4, F32(-0.75f), F64(-0.75)},
    {AsioFloat32Lsb, true, 8, F64(0.125), F32(0.125f)},
};

}  // namespace

TEST(AsioConvert, EveryTypeFromEverySourceWidth) {
    for (const Case& c : kCases) {
        for (int32_t type : {c.type, c.type - AsioInt16Lsb}) {  // the MSB code plays alike
            AsioConversion conversion;
            conversion.sourceBytes = c.sourceBytes;
            conversion.channels = 2;
            AsioConverter convert = nullptr;
            ASSERT_TRUE(ChooseAsioConverter(type, c.floatSource, conversion, convert)) << type;
            const int db = conversion.driverBytes;
            // Frame 0: the sample on the left, zero on the right; frame 1 is beyond frames.
            std::vector<uint8_t> source = Bytes(c.source, c.sourceBytes);
            source.resize(static_cast<size_t>(4 * c.sourceBytes), 0);
            std::vector<uint8_t> left(2 * static_cast<size_t>(db), 0xEE), right(left);
            convert(conversion, source.data(), 2, 1, left.data(), right.data());
            EXPECT_EQ(Value(left.data(), db), c.expected)
                << "type " << type << (c.floatSource ? " float" : " int") << " source bytes " << c.sourceBytes;
            EXPECT_EQ(Value(right.data(), db), 0u);
            EXPECT_EQ(Value(left.data() + db, db), 0u);
            EXPECT_EQ(Value(right.data() + db, db), 0u);
        }
    }
}

TEST(AsioConvert, DriverLayoutAndRefusedTypes) {
    struct Layout {
        int32_t type;
        int bytes, bits;
    };
    for (Layout l : {Layout{AsioInt16Lsb, 2, 0}, Layout{AsioInt24Lsb, 3, 0}, Layout{AsioInt32Lsb, 4, 0},
                     Layout{AsioFloat32Lsb, 4, 0}, Layout{AsioFloat64Lsb, 8, 0}, Layout{AsioInt32Lsb16, 4, 16},
                     Layout{AsioInt32Lsb18, 4, 18}, Layout{AsioInt32Lsb20, 4, 20}, Layout{AsioInt32Lsb24, 4, 24}}) {
        AsioConversion c;
        AsioConverter convert = nullptr;
        ASSERT_TRUE(ChooseAsioConverter(l.type, false, c, convert));
        EXPECT_EQ(c.driverBytes, l.bytes) << l.type;
        EXPECT_EQ(c.significantBits, l.bits) << l.type;
    }
    for (int32_t type : {-16, -1, 5, 7, 12, 15, 21, 23, 28, 32, 40, 0x10000}) {
        AsioConversion c;
        AsioConverter convert = nullptr;
        EXPECT_FALSE(ChooseAsioConverter(type, false, c, convert)) << type;
        EXPECT_FALSE(ChooseAsioConverter(type, true, c, convert)) << type;
    }
}

TEST(AsioConvert, MonoFeedsBothChannelsAndStereoTakesTheFirstTwoSamples) {
    AsioConversion c;
    c.sourceBytes = 2;
    AsioConverter convert = nullptr;
    ASSERT_TRUE(ChooseAsioConverter(AsioInt32Lsb, false, c, convert));
    const std::vector<uint8_t> mono = {0x01, 0x02, 0x03, 0x04};
    std::vector<uint8_t> left(12, 0xEE), right(12, 0xEE);
    c.channels = 1;
    convert(c, mono.data(), 3, 2, left.data(), right.data());
    EXPECT_EQ(left, (std::vector<uint8_t>{0, 0, 1, 2, 0, 0, 3, 4, 0, 0, 0, 0}));
    EXPECT_EQ(right, left);

    const std::vector<uint8_t> three = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};  // two 3-channel frames
    c.channels = 3;
    convert(c, three.data(), 2, 2, left.data(), right.data());
    EXPECT_EQ(std::vector<uint8_t>(left.begin(), left.begin() + 8), (std::vector<uint8_t>{0, 0, 1, 2, 0, 0, 7, 8}));
    EXPECT_EQ(std::vector<uint8_t>(right.begin(), right.begin() + 8), (std::vector<uint8_t>{0, 0, 3, 4, 0, 0, 9, 10}));
}

TEST(AsioPairNames, SharedWordsThenTheDifferingOnesJoined) {
    EXPECT_EQ(AsioPairName(L"Analog Out 1", L"Analog Out 2"), L"Analog Out 1+2");
    EXPECT_EQ(AsioPairName(L"L", L"R"), L"L+R");
    EXPECT_EQ(AsioPairName(L"Main Out", L"Main Out"), L"Main Out");
    EXPECT_EQ(AsioPairName(L" S/PDIF  Left ", L"S/PDIF Right"), L"S/PDIF Left+Right");
    EXPECT_EQ(AsioPairName(L"Out", L"Out Right"), L"Out");
    EXPECT_EQ(AsioPairName(L"", L"R"), L"");
    EXPECT_EQ(AsioPairNames({L"L", L"R", L"Analog Out 3", L"Analog Out 4", L"Odd"}),
              (std::vector<std::wstring>{L"L+R", L"Analog Out 3+4"}));
}
