#include <cstdio>
#include <deque>
#include <mutex>

#include "platform/Report.h"
#include "platform/Text.h"
#include "platform/posix/ReportRecorder.h"

namespace platform {

namespace {
std::mutex g_lock;
std::vector<RecordedReport> g_reports;
std::deque<int> g_answers;
}  // namespace

int ShowReport(const std::wstring& text, const std::wstring& caption, uint32_t style) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_reports.push_back({text, caption, style});
    if (g_answers.empty()) return ReportAnswerOk;
    int answer = g_answers.front();
    g_answers.pop_front();
    return answer;
}

std::vector<RecordedReport> ReportRecorder::Take() {
    std::lock_guard<std::mutex> hold(g_lock);
    std::vector<RecordedReport> out;
    out.swap(g_reports);
    return out;
}

void ReportRecorder::QueueAnswer(int answer) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_answers.push_back(answer);
}

void ReportRecorder::Clear() {
    std::lock_guard<std::mutex> hold(g_lock);
    g_reports.clear();
    g_answers.clear();
}

}  // namespace platform
