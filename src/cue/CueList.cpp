#include "cue/CueList.h"

#include <cwchar>

#include "platform/File.h"
#include "platform/PathName.h"
#include "platform/Report.h"
#include "sources/PlayLength.h"
#include "ui/Captions.h"

namespace {
std::wstring TimeText(int minutes, int seconds) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%02d:%02d", minutes, seconds);
    return text;
}

std::wstring MissingFileText(const std::wstring& name) {
    std::wstring text = kCueMissingFileText;
    return text.replace(text.find(L"%s"), 2, name);
}
}  // namespace

void CCueList::SetPlayMode(int32_t mode) {
    m_mode = mode;
    static const wchar_t* const suffixes[] = {L"", L" - Cue Play", L" - Cut In Play"};
    m_view.ShowTitleSuffix(mode >= CueModeOff && mode <= CueModeCutIn ? suffixes[mode] : L"");
}

void CCueList::CutIn() {
    if (m_mode != CueModeCuePlay) return;
    SetPlayMode(CueModeCutIn);
    m_view.RedrawItem(CurrentCue);
}

void CCueList::EndCuePlay() {
    if (!m_view.WindowExists()) return;
    SetPlayMode(CueModeOff);
    m_view.RedrawItem(CurrentCue);
}

bool CCueList::SelectCurrentCue(std::wstring& path) {
    for (;;) {
        if (Contains(CurrentCue)) {
            path = m_items[static_cast<size_t>(CurrentCue)].path;
            if (ConfirmCueFile(path)) break;
        } else if ((m_settings.AppConfig & AppRepeatCue) && !m_items.empty()) {
            CurrentCue = 0;
        } else {
            SetPlayMode(CueModeOff);
            m_view.RedrawItem(CurrentCue);
            return false;
        }
    }
    if (m_mode == CueModeCutIn) SetPlayMode(CueModeCuePlay);
    m_view.RedrawItem(CurrentCue);
    return !path.empty();
}

// True when the search ends here: the file exists, or the user cancelled.
bool CCueList::ConfirmCueFile(std::wstring& path) {
    if (platform::File::Exists(path)) return true;
    path.clear();
    int answer = platform::ShowReport(MissingFileText(m_items[static_cast<size_t>(CurrentCue)].name), kCaptionProgram,
                                      platform::ReportYesNoCancel | platform::ReportIconWarning |
                                          platform::ReportTaskModal | platform::ReportTopmost);
    if (answer == platform::ReportAnswerYes) {
        RemoveAt(CurrentCue);
        return false;
    }
    if (answer == platform::ReportAnswerNo) {
        m_view.RedrawItem(CurrentCue++);
        return false;
    }
    SetPlayMode(CueModeOff);
    return true;
}

bool CCueList::AdvanceCue(std::wstring& path) {
    m_view.RedrawItem(CurrentCue++);
    return SelectCurrentCue(path);
}

void CCueList::CuePlayFrom(int index) {
    int previous = CurrentCue;
    CurrentCue = index;
    SetPlayMode(CueModeCuePlay);
    m_view.RedrawItem(previous);
    m_view.RedrawItem(CurrentCue);
}

void CCueList::SpotPlayAt(int index) {
    CurrentCue = index;
    SetPlayMode(CueModeOff);
    m_view.RedrawItem(CurrentCue);
}

void CCueList::StoreMeasuredTime(uint32_t frames, uint32_t sampleRate) {
    if (sampleRate == 0) return;
    const PlayLength length = RoundedUpLength(frames, sampleRate);
    SetCueTime(CurrentCue, length.minutes, length.seconds);
}

void CCueList::SetCueTime(int index, int minutes, int seconds) {
    if (Contains(index)) m_items[static_cast<size_t>(index)].time = TimeText(minutes, seconds);
}

void CCueList::ClearCueTimes(const std::vector<int>& indices) {
    for (int index : indices) {
        if (!Contains(index)) continue;
        m_items[static_cast<size_t>(index)].time.clear();
        m_view.RedrawItem(index);
    }
}

void CCueList::RecalculateCueTimes(const std::vector<int>& indices, const CueLengthQuery& lengthOf) {
    for (int index : indices) {
        if (!Contains(index)) continue;
        int minutes = 0, seconds = 0;
        if (lengthOf(m_items[static_cast<size_t>(index)].path, minutes, seconds)) SetCueTime(index, minutes, seconds);
        m_view.RedrawItem(index);
    }
}

void CCueList::AddCueFile(const std::wstring& path, const std::wstring* time, int firstSelected) {
    CueItem item{platform::FileNamePart(path), path, time ? *time : std::wstring()};
    if (Contains(firstSelected)) {
        m_items.insert(m_items.begin() + firstSelected, std::move(item));
        if (firstSelected <= CurrentCue) ++CurrentCue;
    } else {
        m_items.push_back(std::move(item));
    }
    m_view.SetItemCount(Count());
}

void CCueList::MoveCue(int from, int to) {
    if (!Contains(from) || !Contains(to)) return;
    CueItem moved = m_items[static_cast<size_t>(from)];
    m_items.erase(m_items.begin() + from);
    m_items.insert(m_items.begin() + to, std::move(moved));
    if (CurrentCue == from)
        CurrentCue = to;
    else if (from < CurrentCue && CurrentCue <= to)
        --CurrentCue;
    else if (to <= CurrentCue && CurrentCue < from)
        ++CurrentCue;
}

void CCueList::RemoveAt(int index) {
    m_items.erase(m_items.begin() + index);
    m_view.SetItemCount(Count());
}

void CCueList::RemoveCues(const std::vector<int>& indices) {
    int removed = 0;
    int current = CurrentCue;
    for (int index : indices) {
        if (!Contains(index - removed)) continue;
        if (index == current) SetPlayMode(CueModeOff);
        if (index < current) --CurrentCue;
        m_items.erase(m_items.begin() + (index - removed));
        ++removed;
    }
    m_view.SetItemCount(Count());
}

bool CCueList::LoadCueFile(const std::wstring& path) {
    std::string bytes;
    bool opened = false;
    bool read = ReadCueFileBytes(path, bytes, opened);
    if (!opened) return false;
    SetPlayMode(CueModeOff);
    m_items.clear();
    m_view.SetItemCount(0);
    if (!read) return false;
    m_items = DecodeCueText(bytes);
    m_view.SetItemCount(Count());
    return true;
}

void CCueList::LoadDefaultCue(const std::wstring& path) {
    if (DefaultCueLoaded) return;
    LoadCueFile(path);
    DefaultCueLoaded = true;
}

bool CCueList::SaveDefaultCue(const std::wstring& path) const { return !DefaultCueLoaded || SaveCueFile(path); }
