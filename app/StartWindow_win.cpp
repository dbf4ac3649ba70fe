#include "app/StartWindow_win.h"

#include "ui/HeaderPicture_win.h"
#include "ui/MessageCatalogue.h"
#include "util/PathText.h"

#include <commctrl.h>

#include <cmath>

namespace zem {

namespace {

constexpr wchar_t WindowClass[] = L"TfrmMainUpdate";
constexpr wchar_t HeaderClass[] = L"TcxImage";
constexpr int ClientWidth = 454, ClientHeight = 272;
constexpr RECT HeaderRect{0, 0, 454, 193};
constexpr COLORREF White = RGB(255, 255, 255), Black = RGB(0, 0, 0);

std::wstring DesignText(const wchar_t* component) {
    return TsiLang().WindowText(component);
}

HFONT TahomaFont(int height, BYTE charset) {
    return CreateFontW(-height, 0, 0, 0, FW_NORMAL, 0, 0, 0, charset, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Tahoma");
}

class GdiMeasurer : public ITextMeasurer {
public:
    GdiMeasurer(HWND hwnd, HGDIOBJ font) : dc(hwnd), selection(dc.Get(), font) {}
    Size Measure(const std::wstring& text, int wrapWidth) override {
        RECT r{0, 0, wrapWidth, 0};
        // DrawText applies the same '&' rules when measuring; the layout has removed them
        // already, so measure the text as it is drawn.
        DrawTextW(dc.Get(), text.c_str(), -1, &r,
                  DT_CALCRECT | DT_NOPREFIX | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE));
        return {r.right - r.left, r.bottom - r.top};
    }
    int LineHeight() {
        TEXTMETRICW tm{};
        GetTextMetricsW(dc.Get(), &tm);
        return tm.tmHeight;
    }

private:
    win::ScopedWindowDC dc;
    win::ScopedSelection selection;
};

RECT ToRect(const Rect& r) {
    return RECT{r.left, r.top, r.Right(), r.top + r.height};
}

} // namespace

Win32StartWindow::Win32StartWindow(HINSTANCE inst) : instance(inst), alerts(inst) {
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const LabelDesign& d = StartWindowLabels[i];
        labels[i] = {d.style, d.white ? White : Black, d.ansiCharset, DesignText(d.component),
                     d.style.design};
    }
}

Win32StartWindow::~Win32StartWindow() {
    if (hwnd)
        DestroyWindow(hwnd);
}

void Win32StartWindow::Create() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = WindowClass;
    RegisterClassExW(&wc);
    WNDCLASSEXW hc{};
    hc.cbSize = sizeof hc;
    hc.lpfnWndProc = HeaderProc;
    hc.hInstance = instance;
    hc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    hc.lpszClassName = HeaderClass;
    RegisterClassExW(&hc);

    ansiFont.Reset(TahomaFont(12, ANSI_CHARSET));
    defaultFont.Reset(TahomaFont(12, DEFAULT_CHARSET));
    barFont.Reset(TahomaFont(12, DEFAULT_CHARSET));
    picture = LoadJpegResource(instance, HeaderPictureResource, pictureSize);
    taskbarButtonCreated = RegisterWindowMessageW(L"TaskbarButtonCreated");

    // A popup has no border, so the window size is the client size.
    hwnd = CreateWindowExW(WS_EX_APPWINDOW, WindowClass, DesignText(L"frmMainUpdate").c_str(),
                           WS_POPUP | WS_CLIPCHILDREN, 0, 0, ClientWidth, ClientHeight, nullptr,
                           nullptr, instance, this);
    if (hwnd == nullptr)
        win::ThrowLastError(L"Das Startfenster kann nicht angelegt werden");
    header = CreateWindowExW(0, HeaderClass, L"", WS_CHILD | WS_VISIBLE | WS_DISABLED,
                             HeaderRect.left, HeaderRect.top, HeaderRect.right, HeaderRect.bottom,
                             hwnd, nullptr, instance, this);
    const int barHeight = ProgressBarHeight(GdiMeasurer(hwnd, barFont.Get()).LineHeight());
    progress = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 119,
                               238, 175, barHeight, hwnd, nullptr, instance, nullptr);
    SendMessageW(progress, PBM_SETRANGE32, 0, 100);
    SendMessageW(progress, PBM_SETPOS, 0, 0);
    SetWindowSubclass(progress, ProgressProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

void Win32StartWindow::Show() {
    int x = (GetSystemMetrics(SM_CXSCREEN) - ClientWidth) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - ClientHeight) / 2;
    SetWindowPos(hwnd, nullptr, x, y, ClientWidth, ClientHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd);
    SetFocus(hwnd);
    UpdateWindow(hwnd);
}

void Win32StartWindow::RunMessageLoop() {
    MSG msg;
    while (!terminated) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            terminated = true;
            break;
        }
        if (got == -1)
            break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Win32StartWindow::ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated = true;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Win32StartWindow::PostToSelf(unsigned message) {
    PostMessageW(hwnd, message, 0, 0);
}

void Win32StartWindow::Close() {
    // The window stays on screen; the loop that takes the quit request ends the program.
    PostQuitMessage(0);
}

void Win32StartWindow::Repaint() {
    RedrawWindow(hwnd, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Win32StartWindow::SetCaption(LabelId id, const std::wstring& text) {
    Label& l = At(id);
    RECT before = ToRect(l.rect);
    l.text = text;
    if (hwnd) {
        GdiMeasurer measurer(
            hwnd, static_cast<HFONT>(l.ansiCharset ? ansiFont.Get() : defaultFont.Get()));
        l.rect = LabelRect(l.style, text, measurer);
        RECT after = ToRect(l.rect);
        // Glyphs may overhang their advance width by a pixel or two (the last '.' of
        // "Lade..." did under Wine); erase a little more than the label.
        InflateRect(&before, 3, 1);
        InflateRect(&after, 3, 1);
        InvalidateRect(hwnd, &before, TRUE);
        InvalidateRect(hwnd, &after, TRUE);
    }
}

std::wstring Win32StartWindow::Caption(LabelId id) const {
    return labels[static_cast<std::size_t>(id)].text;
}

void Win32StartWindow::SetProgress(double value) {
    barValue = ClampProgress(value);
    SendMessageW(progress, PBM_SETPOS, static_cast<WPARAM>(std::lround(barValue)), 0);
    InvalidateRect(progress, nullptr, FALSE);
    ApplyTaskbarProgress();
}

void Win32StartWindow::ApplyTaskbarProgress() {
    if (!taskbar)
        return; // held back until the taskbar button exists
    taskbar->SetProgressState(hwnd, TBPF_NORMAL);
    taskbar->SetProgressValue(hwnd, static_cast<ULONGLONG>(std::lround(barValue)), 100);
}

void Win32StartWindow::ShowAlert(const std::wstring& caption, const std::wstring& text, int) {
    alerts.Show(caption, text);
}

void Win32StartWindow::PaintLabels(HDC dc) {
    SetBkMode(dc, TRANSPARENT);
    for (const Label& l : labels) {
        win::ScopedSelection font(dc, l.ansiCharset ? ansiFont.Get() : defaultFont.Get());
        SetTextColor(dc, l.color);
        RECT r = ToRect(l.rect);
        std::wstring text = l.text.empty() ? L" " : l.text;
        DrawTextW(dc, text.c_str(), -1, &r,
                  DT_NOCLIP | (l.style.align == Align::Right ? DT_RIGHT : DT_LEFT) |
                      (l.style.wraps ? DT_WORDBREAK : DT_SINGLELINE));
    }
}

void Win32StartWindow::PaintHeader(HWND h) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    if (picture) {
        Rect fit = FitPicture(HeaderRect.right, HeaderRect.bottom, pictureSize.cx, pictureSize.cy);
        win::ScopedMemoryDC mem(CreateCompatibleDC(dc));
        win::ScopedSelection selection(mem.Get(), picture.Get());
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, fit.left, fit.top, fit.width, fit.height, mem.Get(), 0, 0, pictureSize.cx,
                   pictureSize.cy, SRCCOPY);
    }
    EndPaint(h, &ps);
}

HWND Win32StartWindow::Owner() const {
    return hwnd && IsWindowVisible(hwnd) ? hwnd : nullptr;
}

void Win32StartWindow::ShowPlain(const std::wstring& text) {
    MessageBoxW(Owner(), text.c_str(), ApplicationTitle, MB_OK | MB_TASKMODAL);
}

void Win32StartWindow::ShowError(const std::wstring& text) {
    MessageBoxW(Owner(), text.c_str(), ApplicationTitle, MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

void Win32StartWindow::ShowTranslated(const std::wstring& text, const std::wstring& buttonCaption) {
    using TaskDialogIndirectFn = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);
    HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
    auto taskDialog = comctl ? reinterpret_cast<TaskDialogIndirectFn>(reinterpret_cast<void*>(
                                   GetProcAddress(comctl, "TaskDialogIndirect")))
                             : nullptr;
    if (taskDialog == nullptr) {
        ShowPlain(text);
        return;
    }
    TASKDIALOG_BUTTON button{IDOK, buttonCaption.c_str()};
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = Owner();
    config.hInstance = instance;
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
    config.pszWindowTitle = ApplicationTitle;
    config.pszContent = text.c_str();
    config.cButtons = 1;
    config.pButtons = &button;
    config.nDefaultButton = IDOK;
    int pressed = 0;
    if (FAILED(taskDialog(&config, &pressed, nullptr, nullptr)))
        ShowPlain(text);
}

LRESULT CALLBACK Win32StartWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = win::WindowObject<Win32StartWindow>(hwnd, msg, lp);
    if (msg == WM_NCCREATE && self)
        self->hwnd = hwnd;
    if (self == nullptr)
        return DefWindowProcW(hwnd, msg, wp, lp);
    // Nothing throws through the window procedure.
    try {
        return self->Handle(msg, wp, lp);
    } catch (const std::exception& e) {
        self->ShowError(ErrorReportText(FromUtf8(e.what())));
        return 0;
    }
}

LRESULT Win32StartWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == taskbarButtonCreated && taskbarButtonCreated != 0) {
        if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_ITaskbarList3,
                                       reinterpret_cast<void**>(taskbar.Receive()))) &&
            FAILED(taskbar->HrInit()))
            taskbar.Reset();
        ApplyTaskbarProgress();
        return 0;
    }
    if (msg == WM_DOUPDATE || msg == WM_DOSTART || msg == WM_DOFINISH) {
        if (window)
            window->Dispatch(msg);
        return 0;
    }
    switch (msg) {
    case WM_CHAR:
        if (window)
            window->FormKeyPress(static_cast<wchar_t>(wp));
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wp) != WA_INACTIVE && window)
            window->FormActivate();
        break;
    case WM_NCHITTEST:
        return HTCLIENT; // not movable, not resizable
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        PaintLabels(dc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_CLOSE:
        // Alt+F4, the taskbar or another program: abort like Esc; the program closes the
        // window itself once the run has stopped.
        if (window)
            window->FormCloseQuery();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK Win32StartWindow::HeaderProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = win::WindowObject<Win32StartWindow>(hwnd, msg, lp);
    if (msg == WM_PAINT && self) {
        self->PaintHeader(hwnd);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK Win32StartWindow::ProgressProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                                DWORD_PTR data) {
    LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
    if (msg == WM_PAINT) {
        // The native bar draws no text; put the percentage on top of it.
        auto* self = reinterpret_cast<Win32StartWindow*>(data);
        win::ScopedWindowDC dc(hwnd);
        win::ScopedSelection font(dc.Get(), self->barFont.Get());
        RECT r;
        GetClientRect(hwnd, &r);
        SetBkMode(dc.Get(), TRANSPARENT);
        SetTextColor(dc.Get(), Black);
        std::wstring text = ProgressText(self->barValue);
        DrawTextW(dc.Get(), text.c_str(), -1, &r,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    return result;
}

} // namespace zem
