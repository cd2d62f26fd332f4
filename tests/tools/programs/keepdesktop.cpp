// Keeps Wine's desktop open for the life of the wineserver. Wine ends the
// desktop process (explorer.exe) a moment after the last program using the
// desktop ended, and a program that starts in that moment finds no desktop:
// its windows never appear, or it ends at once. Tests start one program
// after another, so tools/wine-env.sh starts this once per wineserver: one
// hidden window, and a message loop that never ends. A second copy ends at
// once.
#include <windows.h>

int main() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HANDLE single = CreateMutexA(nullptr, TRUE, "QavTestsDesktopKeeper");
    if (!single || GetLastError() == ERROR_ALREADY_EXISTS) return 0;
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = "QavTestsDesktopKeeper";
    RegisterClassA(&wc);
    if (!CreateWindowExA(WS_EX_TOOLWINDOW, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                         instance, nullptr))
        return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}
