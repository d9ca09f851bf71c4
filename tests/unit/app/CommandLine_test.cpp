#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app/HandOver.h"

namespace {

TEST(CommandLineFile, TakesTheLastPlainArgumentAndIgnoresOptions) {
    EXPECT_EQ(CommandLineFile({L"Orvane.exe"}), L"");
    EXPECT_EQ(CommandLineFile({L"Orvane.exe", L"/x", L"C:\\a b\\one.wav"}), L"C:\\a b\\one.wav");
    EXPECT_EQ(CommandLineFile({L"Orvane.exe", L"one.wav", L"/Play", L"two.wav", L"/"}), L"two.wav");
    // Options never become the file, even when nothing else is given.
    EXPECT_EQ(CommandLineFile({L"Orvane.exe", L"/open", L"/X"}), L"");
}

TEST(CommandLineFile, ProgramNameIsNeverTheFile) {
    EXPECT_EQ(CommandLineFile({L"C:\\Program Files\\Orvane\\Orvane.exe", L"/q"}), L"");
}

TEST(CommandLineFile, AnEmptyArgumentDoesNotDropTheFileBeforeIt) {
    EXPECT_EQ(CommandLineFile({L"Orvane.exe", L"one.wav", L""}), L"one.wav");
}

// The record as a second start sends it: UTF-16 code units with a terminating zero.
std::vector<uint16_t> Record(const std::u16string& path) {
    std::vector<uint16_t> units(path.begin(), path.end());
    units.push_back(0);
    return units;
}

TEST(HandOverPathLength, AcceptsAPathWithItsTerminator) {
    auto record = Record(u"C:\\音楽\\曲.wav");
    EXPECT_EQ(HandOverPathLength(record.data(), record.size() * 2), record.size() - 1);
    // Bytes after the terminator are not part of the path.
    record.push_back(u'x');
    EXPECT_EQ(HandOverPathLength(record.data(), record.size() * 2), record.size() - 2);
}

TEST(HandOverPathLength, IgnoresMalformedRecords) {
    auto record = Record(u"C:\\a.wav");
    EXPECT_EQ(HandOverPathLength(nullptr, 8), 0u);
    EXPECT_EQ(HandOverPathLength(record.data(), 0), 0u);
    // An odd size cuts the last code unit in half.
    EXPECT_EQ(HandOverPathLength(record.data(), record.size() * 2 - 1), 0u);
    // Size that stops before the terminator: reading on would leave the record.
    EXPECT_EQ(HandOverPathLength(record.data(), (record.size() - 1) * 2), 0u);
    // Nothing but the terminator names no file.
    auto empty = Record(u"");
    EXPECT_EQ(HandOverPathLength(empty.data(), 2), 0u);
}

TEST(HandOverPathLength, LongestPathIsTakenOneMoreIsNot) {
    std::u16string longest(kMaxPathUnits, u'a');
    auto record = Record(longest);
    EXPECT_EQ(HandOverPathLength(record.data(), record.size() * 2), kMaxPathUnits);
    auto tooLong = Record(longest + u'a');
    EXPECT_EQ(HandOverPathLength(tooLong.data(), tooLong.size() * 2), 0u);
}

TEST(HandOverPathLength, ReadsUnalignedRecords) {
    auto record = Record(u"a.wav");
    std::vector<unsigned char> bytes(1 + record.size() * 2);
    std::memcpy(bytes.data() + 1, record.data(), record.size() * 2);
    EXPECT_EQ(HandOverPathLength(bytes.data() + 1, record.size() * 2), 5u);
}

}  // namespace
