#include "ui/AlertWindow_win.h"

#include "platform/win32/Handle.h"

#include <algorithm>

namespace zem {

namespace {
constexpr wchar_t ClassName[] = L"ZEMAlertWindow";
constexpr UINT_PTR DisplayTimer = 1, FadeTimer = 2;
constexpr UINT DisplayMs = 7000, FadeMs = 1000, FadeStepMs = 50, SlideMs = 100;
constexpr BYTE Opacity = 190, HoverOpacity = 250;
constexpr int MinWidth = 200, MinHeight = 100, Margin = 10, CloseSize = 16;
} // namespace

struct AlertManager::Alert {
    AlertManager* manager;
    std::wstring caption, text;
    HWND hwnd = nullptr;
    int alpha = Opacity;
    UINT faded = 0; // milliseconds of the fade so far
    bool hover = false;
};

AlertManager::AlertManager(HINSTANCE inst) : instance(inst) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_INFOBK);
    wc.lpszClassName = ClassName;
    RegisterClassExW(&wc);
    captionFont.Reset(CreateFontW(-13, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                                  CLEARTYPE_QUALITY, 0, L"Tahoma"));
    textFont.Reset(CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                               CLEARTYPE_QUALITY, 0, L"Tahoma"));
}

AlertManager::~AlertManager() {
    while (!open.empty())
        DestroyWindow(open.back()->hwnd); // WM_NCDESTROY forgets it
}

void AlertManager::Forget(HWND hwnd) {
    std::erase_if(open, [hwnd](const std::unique_ptr<Alert>& a) { return a->hwnd == hwnd; });
}

void AlertManager::Show(const std::wstring& caption, const std::wstring& text) {
    // Size from the content, at least 200 x 100.
    RECT c{0, 0, 400, 0}, t{0, 0, 400, 0};
    {
        win::ScopedWindowDC screen(nullptr);
        {
            win::ScopedSelection font(screen.Get(), captionFont.Get());
            DrawTextW(screen.Get(), caption.c_str(), -1, &c,
                      DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        }
        win::ScopedSelection font(screen.Get(), textFont.Get());
        DrawTextW(screen.Get(), text.c_str(), -1, &t, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    }
    int width =
        std::max<int>(MinWidth, std::max(c.right + CloseSize + 3 * Margin, t.right + 2 * Margin));
    int height = std::max<int>(MinHeight, c.bottom + t.bottom + 3 * Margin);

    // Bottom right of the work area, stacked above alerts that are still open.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int x = work.right - width - Margin;
    int y = work.bottom - height - Margin - static_cast<int>(open.size()) * (height + Margin);

    auto alert = std::make_unique<Alert>(Alert{this, caption, text});
    HWND hwnd = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_LAYERED | WS_EX_NOACTIVATE,
                                ClassName, caption.c_str(), WS_POPUP | WS_BORDER, x, y, width,
                                height, nullptr, nullptr, instance, alert.get());
    if (hwnd == nullptr)
        return;
    alert->hwnd = hwnd;
    open.push_back(std::move(alert));
    SetLayeredWindowAttributes(hwnd, 0, Opacity, LWA_ALPHA);
    if (!AnimateWindow(hwnd, SlideMs, AW_SLIDE | AW_VER_NEGATIVE))
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    SetTimer(hwnd, DisplayTimer, DisplayMs, nullptr);
}

LRESULT CALLBACK AlertManager::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* alert = win::WindowObject<Alert>(hwnd, msg, lp);
    if (alert == nullptr)
        return DefWindowProcW(hwnd, msg, wp, lp);
    RECT client{};
    GetClientRect(hwnd, &client);
    RECT closeBox{client.right - CloseSize - 4, 4, client.right - 4, 4 + CloseSize};
    switch (msg) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        RECT r{Margin, Margin, closeBox.left - 4, Margin + 16};
        {
            win::ScopedSelection font(dc, alert->manager->captionFont.Get());
            DrawTextW(dc, alert->caption.c_str(), -1, &r,
                      DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
            DrawTextW(dc, L"\u00D7", -1, &closeBox, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
        }
        {
            win::ScopedSelection font(dc, alert->manager->textFont.Get());
            RECT t{Margin, r.bottom + Margin, client.right - Margin, client.bottom - Margin};
            DrawTextW(dc, alert->text.c_str(), -1, &t, DT_WORDBREAK | DT_NOPREFIX);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (!alert->hover) {
            alert->hover = true;
            TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd, 0};
            TrackMouseEvent(&tme);
            SetLayeredWindowAttributes(hwnd, 0, HoverOpacity, LWA_ALPHA);
        }
        return 0;
    case WM_MOUSELEAVE:
        alert->hover = false;
        SetLayeredWindowAttributes(hwnd, 0, static_cast<BYTE>(alert->alpha), LWA_ALPHA);
        return 0;
    case WM_LBUTTONDOWN: {
        POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        if (PtInRect(&closeBox, p))
            DestroyWindow(hwnd);
        return 0;
    }
    case WM_TIMER:
        if (wp == DisplayTimer) {
            KillTimer(hwnd, DisplayTimer);
            SetTimer(hwnd, FadeTimer, FadeStepMs, nullptr);
        } else if (wp == FadeTimer) {
            // Opacity falls linearly to 0 over FadeMs, whatever the step's rounding.
            alert->faded += FadeStepMs;
            alert->alpha =
                static_cast<int>(Opacity * (FadeMs - std::min(alert->faded, FadeMs)) / FadeMs);
            if (alert->faded >= FadeMs)
                DestroyWindow(hwnd);
            else if (!alert->hover)
                SetLayeredWindowAttributes(hwnd, 0, static_cast<BYTE>(alert->alpha), LWA_ALPHA);
        }
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        alert->manager->Forget(hwnd); // frees the alert
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

} // namespace zem
