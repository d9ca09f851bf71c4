#pragma once
// The cue sheet's play list and its play modes, apart from the list window that shows it.
// The window implements CueListView; everything here runs on the interface thread.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cue/CueFile.h"
#include "settings/AppSettings.h"

enum CuePlayMode : int32_t { CueModeUnset = -1, CueModeOff = 0, CueModeCuePlay = 1, CueModeCutIn = 2 };

class CueListView {
public:
    // The main window's title is the program's name followed by this.
    virtual void ShowTitleSuffix(const wchar_t* suffix) = 0;
    virtual void RedrawItem(int index) = 0;
    virtual void SetItemCount(int count) = 0;
    virtual bool WindowExists() const = 0;

protected:
    ~CueListView() = default;
};

// The length of a file in minutes and seconds, when known.
using CueLengthQuery = std::function<bool(const std::wstring& path, int& minutes, int& seconds)>;

class CCueList {
public:
    CCueList(CueListView& view, const AppSettings& settings) : m_view(view), m_settings(settings) {}

    void SetPlayMode(int32_t mode);
    int32_t GetPlayMode() const { return m_mode; }
    bool IsCuePlay() const { return m_mode == CueModeCuePlay; }
    bool IsCutInPlay() const { return m_mode == CueModeCutIn; }
    void CutIn();
    void EndCuePlay();
    // The file to play at or after the current entry; asks about missing files.
    bool SelectCurrentCue(std::wstring& path);
    bool AdvanceCue(std::wstring& path);
    // Starts Cue Play from an entry, or plays one entry alone.
    void CuePlayFrom(int index);
    void SpotPlayAt(int index);

    void StoreMeasuredTime(uint32_t frames, uint32_t sampleRate);
    void SetCueTime(int index, int minutes, int seconds);
    void ClearCueTimes(const std::vector<int>& indices);
    void RecalculateCueTimes(const std::vector<int>& indices, const CueLengthQuery& lengthOf);

    // Inserts before the first selected entry (-1: none, append).
    void AddCueFile(const std::wstring& path, const std::wstring* time, int firstSelected);
    void MoveCue(int from, int to);
    // Indices in ascending order.
    void RemoveCues(const std::vector<int>& indices);

    bool LoadCueFile(const std::wstring& path);
    bool SaveCueFile(const std::wstring& path) const { return WriteCueFile(path, m_items); }
    // "Default.cue": loaded once, at the first showing; written back only if it was loaded.
    void LoadDefaultCue(const std::wstring& path);
    bool SaveDefaultCue(const std::wstring& path) const;

    int32_t CurrentCue = 0;
    bool DefaultCueLoaded = false;
    const std::vector<CueItem>& Items() const { return m_items; }
    int Count() const { return static_cast<int>(m_items.size()); }

private:
    bool ConfirmCueFile(std::wstring& path);
    bool Contains(int index) const { return index >= 0 && index < Count(); }
    void RemoveAt(int index);

    CueListView& m_view;
    const AppSettings& m_settings;
    int32_t m_mode = CueModeUnset;
    std::vector<CueItem> m_items;
};

// The texts the cue sheet shows.
inline const wchar_t* const kCueMissingFileText =
    L"%s は移動されたか削除されています。\nCueシートから削除しますか？\n(キャンセルでCuePlayがキャンセルされます)";
inline const wchar_t* const kCueSaveFailedText = L"保存に失敗しました。";
inline const wchar_t* const kCueSaveFailedCaption = L"DefaultCue";
