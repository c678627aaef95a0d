// Prints the cost of the two command-button face operations on a 145 x 33 button, in
// microseconds: one PresentButtonFace (a fade tick shows one face this way every 15 ms) and one
// RenderButtonFaces (attach, resize, focus change). Run it under Wine: wine skin_bench.exe

#include <windows.h>

#include <cstdio>

#include "skin/skinner.h"

namespace {

LRESULT CALLBACK BenchFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

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
    WNDCLASSA wc{};
    wc.lpfnWndProc = BenchFormProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "Form";
    RegisterClassA(&wc);
    HWND form = CreateWindowExA(0, "Form", "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300,
                                150, nullptr, nullptr, wc.hInstance, nullptr);
    HWND button = CreateWindowExA(0, "Button", "Build", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20,
                                  20, 145, 33, form, nullptr, wc.hInstance, nullptr);
    AttachSkin(form);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);

    MicrosecondsPerCall(PresentHalfFaded, button, 50);  // warm-up
    for (int round = 1; round <= 3; ++round) {
        const double present = MicrosecondsPerCall(PresentHalfFaded, button, 2000);
        const double render = MicrosecondsPerCall(RenderButtonFaces, button, 500);
        std::printf("round %d: PresentButtonFace (alpha 128) %.1f us, RenderButtonFaces %.1f us; "
                    "one present uses %.2f%% of a 15 ms fade tick\n",
                    round, present, render, 100.0 * present / 15000.0);
    }
    DetachSkin(form);
    DestroyWindow(form);
    return 0;
}
