#pragma once
// The start window on Win32: a borderless 454 x 272 window with the header picture, the
// labels, the native progress bar, taskbar progress and the alert manager; it owns the
// message loop and the program's message boxes.
#include "app/StartWindow.h"
#include "ui/StartWindowView.h"
#include "platform/win32/Handle.h"
#include "ui/AlertWindow_win.h"
#include "ui/FixedTexts.h"
#include "ui/MessageBoxes.h"
#include "ui/WindowLayout.h"

#include <shobjidl.h>

#include <array>

namespace zem {

class Win32StartWindow : public IStartWindowView, public IMessageBoxes {
public:
    explicit Win32StartWindow(HINSTANCE instance);
    ~Win32StartWindow() override;

    // Creates the window (not yet visible) and its controls.
    void Create();
    void Attach(TfrmMainUpdate& logic) { window = &logic; }
    // Centres and shows the window and gives it the keyboard.
    void Show();
    // The main loop: runs until a pump takes the quit request.
    void RunMessageLoop();

    void SetCaption(LabelId label, const std::wstring& text) override;
    std::wstring Caption(LabelId label) const override;
    void SetProgress(double value) override;
    int AlertCount() override { return alerts.Count(); }
    void ShowAlert(const std::wstring& caption, const std::wstring& text, int imageIndex) override;
    void ProcessMessages() override;
    void PostToSelf(unsigned message) override;
    void Close() override;
    bool Terminated() const override { return terminated; }
    void Repaint() override;

    void ShowPlain(const std::wstring& text) override;
    void ShowTranslated(const std::wstring& text, const std::wstring& buttonCaption) override;
    void ShowError(const std::wstring& text) override;

private:
    struct Label {
        LabelStyle style;
        COLORREF color;
        bool ansiCharset;
        std::wstring text;
        Rect rect;
    };
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK HeaderProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK ProgressProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                         DWORD_PTR self);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void PaintLabels(HDC dc);
    void PaintHeader(HWND hwnd);
    void ApplyTaskbarProgress();
    HWND Owner() const;
    Label& At(LabelId id) { return labels[static_cast<std::size_t>(id)]; }

    HINSTANCE instance;
    HWND hwnd = nullptr, header = nullptr, progress = nullptr;
    TfrmMainUpdate* window = nullptr;
    std::array<Label, 7> labels;
    win::ScopedGdiObject ansiFont, defaultFont, barFont, picture;
    SIZE pictureSize{};
    AlertManager alerts;
    double barValue = 0;
    UINT taskbarButtonCreated = 0;
    win::ComPtr<ITaskbarList3> taskbar;
    bool terminated = false;
};

} // namespace zem
