// Prints the cost of the two command-button face operations on a 145 x 33 button, in
// microseconds: one PresentButtonFace (a fade tick shows one face this way every 15 ms) and one
// RenderButtonFaces (attach, resize, focus change). Run it under Wine: wine skin_bench.exe

#include <windows.h>

#include <cstdio>

#include "bench/skin/bench_form.h"
#include "skin/skinner.h"

namespace {

double MicrosecondsPerCall(void (*operation)(HWND), HWND button, int calls) {
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  for (int i = 0; i < calls; ++i) operation(button);
  QueryPerformanceCounter(&end);
  return 1e6 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart / calls;
}

void PresentHalfFaded(HWND button) {
  SetSkinProp(button, kPropAlphaLevel, 128);
  PresentButtonFace(button, nullptr);
}

}  // namespace

int main() {
  HWND form = nullptr;
  HWND button = bench::CreateSkinnedBenchButton(form);

  MicrosecondsPerCall(PresentHalfFaded, button, 50);  // warm-up
  for (int round = 1; round <= 3; ++round) {
    const double present = MicrosecondsPerCall(PresentHalfFaded, button, 2000);
    const double render = MicrosecondsPerCall(RenderButtonFaces, button, 500);
    std::printf(
        "round %d: PresentButtonFace (alpha 128) %.1f us, RenderButtonFaces %.1f us; "
        "one present uses %.2f%% of a 15 ms fade tick\n",
        round, present, render, 100.0 * present / 15000.0);
  }
  DetachSkin(form);
  DestroyWindow(form);
  return 0;
}
