/* Sample Tool: the program the sample installation installs. It notes that it started
   (started.txt in its current directory: what tests look for) and shows a small window
   of class SampleToolWindow, which closes by itself after a few seconds. */
#include <windows.h>

static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_TIMER:
            DestroyWindow(window);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            RECT r;
            GetClientRect(window, &r);
            DrawTextA(dc, "Sample Tool 2.0 is installed.", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            EndPaint(window, &ps);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, msg, wparam, lparam);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    char directory[MAX_PATH];
    DWORD written;
    HANDLE note;
    WNDCLASSA wc = {0};
    HWND window;
    MSG msg;
    (void)previous;

    GetCurrentDirectoryA(sizeof directory, directory);
    note = CreateFileA("started.txt", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (note != INVALID_HANDLE_VALUE) {
        WriteFile(note, directory, lstrlenA(directory), &written, NULL);
        WriteFile(note, "\r\n", 2, &written, NULL);
        WriteFile(note, command_line, lstrlenA(command_line), &written, NULL);
        CloseHandle(note);
    }

    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = "SampleToolWindow";
    RegisterClassA(&wc);
    window = CreateWindowA("SampleToolWindow", "Sample Tool", WS_OVERLAPPEDWINDOW, 40, 40, 320, 120, NULL, NULL,
                           instance, NULL);
    ShowWindow(window, show);
    SetTimer(window, 1, 4000, NULL);
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
