#pragma once
#include <string>
#include <vector>

#include "cue/CueList.h"

// Remembers what the list told its window.
class RecordingCueView : public CueListView {
public:
    void ShowTitleSuffix(const wchar_t* suffix) override { title = suffix; }
    void RedrawItem(int index) override { redrawn.push_back(index); }
    void SetItemCount(int count) override { itemCount = count; }
    bool WindowExists() const override { return exists; }

    std::wstring title = L"(unchanged)";
    std::vector<int> redrawn;
    int itemCount = -1;
    bool exists = true;
};

// A folder of its own under the test directory, emptied first.
std::wstring CueTestFolder(const char* name);
std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);
