// Test helper beside ZEM_Start.exe under Wine: records every message box of the program
// (caption and texts, one line each) and confirms it, and can press Esc in the start
// window once a given file exists, or ask it to close (WM_CLOSE, as Alt+F4 or another
// program does). Ends when the start window has gone, or at the timeout.
//   dialog_helper.exe LOG TIMEOUT_SECONDS [WHEN_EXISTS [close]]
// With --hold it instead keeps a file open without sharing for a while:
//   dialog_helper.exe --hold FILE SECONDS
#include "platform/win32/win.h"

#include "util/PathText.h"

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

std::wstring TextOf(HWND hwnd) {
    wchar_t buffer[4096] = {};
    GetWindowTextW(hwnd, buffer, 4096);
    return buffer;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t buffer[256] = {};
    GetClassNameW(hwnd, buffer, 256);
    return buffer;
}

struct Dialog {
    std::wstring texts;
    std::vector<HWND> buttons;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM lp) {
    auto* d = reinterpret_cast<Dialog*>(lp);
    std::wstring cls = ClassOf(child), text = TextOf(child);
    if (cls == L"Button")
        d->buttons.push_back(child);
    else if (!text.empty())
        d->texts += L"|" + text;
    return TRUE;
}

BOOL CALLBACK CollectTop(HWND hwnd, LPARAM lp) {
    if (IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32770")
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
    return TRUE;
}

std::string Escape(const std::wstring& text) {
    std::string out;
    for (char c : zem::ToUtf8(text)) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3)
        return 2;
    if (std::wstring(argv[1]) == L"--hold" && argc == 4) {
        HANDLE h = CreateFileW(argv[2], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return 1;
        Sleep(static_cast<DWORD>(_wtoi(argv[3])) * 1000);
        CloseHandle(h);
        return 0;
    }
    const std::wstring log = argv[1];
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(_wtoi(argv[2])) * 1000;
    const std::wstring escWhen = argc > 3 ? argv[3] : L"";
    const bool closeRequest = argc > 4 && std::wstring(argv[4]) == L"close";
    bool escSent = escWhen.empty(), seenWindow = false;
    DWORD goneSince = 0;
    std::set<HWND> handled;
    while (GetTickCount() < deadline) {
        HWND start = FindWindowW(L"TfrmMainUpdate", nullptr);
        if (start) {
            seenWindow = true;
            goneSince = 0;
        } else if (seenWindow) {
            if (goneSince == 0)
                goneSince = GetTickCount();
            else if (GetTickCount() - goneSince > 1500)
                return 0;
        }
        if (!escSent && start && GetFileAttributesW(escWhen.c_str()) != INVALID_FILE_ATTRIBUTES) {
            if (closeRequest)
                PostMessageW(start, WM_CLOSE, 0, 0);
            else
                PostMessageW(start, WM_CHAR, 27, 1);
            escSent = true;
            FILE* f = _wfopen(log.c_str(), L"ab");
            std::fputs(closeRequest ? "CLOSE\n" : "ESC\n", f);
            std::fclose(f);
        }
        std::vector<HWND> dialogs;
        EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&dialogs));
        for (HWND d : dialogs) {
            if (handled.count(d))
                continue;
            Sleep(300); // let it finish painting its texts
            Dialog content;
            EnumChildWindows(d, CollectChild, reinterpret_cast<LPARAM>(&content));
            std::string line = Escape(TextOf(d)) + Escape(content.texts) + "\n";
            FILE* f = _wfopen(log.c_str(), L"ab");
            std::fputs(line.c_str(), f);
            std::fclose(f);
            handled.insert(d);
            if (!content.buttons.empty())
                SendMessageW(content.buttons.front(), BM_CLICK, 0, 0);
            else
                PostMessageW(d, WM_COMMAND, IDOK, 0);
        }
        Sleep(100);
    }
    return 1;
}
