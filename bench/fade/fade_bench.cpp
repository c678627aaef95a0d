// Prints the measured duration of full hover fades on a 145 x 33 button, started by moving the
// real cursor onto it, against the nominal 86 ticks of 15 ms (1.29 s), and the time the thread
// spends per tick. The cost of the face operations themselves is bench/skin's.

#include <windows.h>

#include <cmath>
#include <cstdio>

#include "bench/skin/bench_form.h"
#include "skin/skinner.h"

namespace {

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

double ThreadCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

void Drain() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// Runs the message loop until the button's fade timer has stopped; returns false after 10 s.
bool RunUntilFadeEnds(HWND button, int& ticks, double& handlerSeconds) {
  const DWORD start = GetTickCount();
  MSG msg;
  while (GetSkinProp(button, kPropTimerId) != 0) {
    if (GetTickCount() - start > 10000) return false;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      continue;
    }
    if (msg.message == WM_TIMER && msg.hwnd == button) {
      LARGE_INTEGER before, after;
      QueryPerformanceCounter(&before);
      DispatchMessageA(&msg);
      QueryPerformanceCounter(&after);
      handlerSeconds += Seconds(before, after);
      ++ticks;
    } else {
      DispatchMessageA(&msg);
    }
  }
  return true;
}

// One hover fade: the cursor enters the button, and the fade runs to its end. Before it the
// cursor is parked away and the fade back to normal that leaving starts is let run out.
// Thread CPU time and ticks over all rounds: the thread clock advances in coarse steps (10 ms
// under Wine), so only the sum over several fades says something.
double gCpuSeconds = 0;
int gTicks = 0;

void MeasureHoverFade(HWND button, int round) {
  RECT rect{};
  GetWindowRect(button, &rect);
  SetCursorPos(1200, 1000);
  const DWORD waitLeave = GetTickCount();
  while (GetSkinProp(button, kPropMouseFlag) != 0 && GetTickCount() - waitLeave < 2000) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    Drain();
  }
  int ignored = 0;
  double ignoredSeconds = 0;
  RunUntilFadeEnds(button, ignored, ignoredSeconds);

  int ticks = 0;
  double handler = 0;
  const double cpuBefore = ThreadCpuSeconds();
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  // The fade starts when the mouse move reaches the button.
  const DWORD waitEnter = GetTickCount();
  while (GetSkinProp(button, kPropTimerId) == 0 && GetTickCount() - waitEnter < 2000) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    Drain();
  }
  const bool ended = RunUntilFadeEnds(button, ticks, handler) && ticks > 0;
  QueryPerformanceCounter(&end);
  const double cpu = ThreadCpuSeconds() - cpuBefore;
  const double seconds = Seconds(start, end);
  const double nominal = 86 * kFadeIntervalMs / 1000.0;
  if (!ended) {
    std::printf("hover fade %d: did not start or did not end within 10 s\n", round);
    return;
  }
  gCpuSeconds += cpu;
  gTicks += ticks;
  std::printf(
      "hover fade %d: %d ticks in %.3f s (nominal %.2f s, %+.1f%%, goal within 10%%: %s); "
      "tick handler %.1f us per tick\n",
      round, ticks, seconds, nominal, 100.0 * (seconds - nominal) / nominal,
      std::fabs(seconds - nominal) <= 0.1 * nominal ? "met" : "missed", 1e6 * handler / ticks);
}

}  // namespace

int main() {
  HWND form = nullptr;
  HWND button = bench::CreateSkinnedBenchButton(form);

  SetSkinProp(button, kPropOldState, kStateNormal);
  SetForegroundWindow(form);
  for (int round = 1; round <= 5; ++round) MeasureHoverFade(button, round);
  std::printf("thread CPU over %d fade ticks: %.1f ms, %.1f us per tick (%.2f%% of 15 ms)\n",
              gTicks, 1e3 * gCpuSeconds, 1e6 * gCpuSeconds / (gTicks ? gTicks : 1),
              100.0 * gCpuSeconds / (gTicks ? gTicks : 1) / 0.015);
  SetCursorPos(1200, 1000);

  DetachSkin(form);
  DestroyWindow(form);
  return 0;
}
