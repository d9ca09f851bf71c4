#pragma once
// Display names of a driver's stereo output pairs, from the names of its channels.
#include <string>
#include <vector>

// The words two channel names share, then the first differing words joined by "+":
// "Analog Out 1" and "Analog Out 2" give "Analog Out 1+2", "L" and "R" give "L+R".
std::wstring AsioPairName(const std::wstring& first, const std::wstring& second);

// One name for each whole pair of channels (0 and 1, 2 and 3, ...); a last channel
// without a partner makes no pair, since no pair could play on it.
std::vector<std::wstring> AsioPairNames(const std::vector<std::wstring>& channels);
