#pragma once
// Slide-in alert windows: caption, text and a close button; each hides itself after its
// display time by fading out.
#include "platform/win32/Handle.h"

#include <memory>

#include <string>
#include <vector>

namespace zem {

class AlertManager {
public:
    explicit AlertManager(HINSTANCE instance);
    ~AlertManager();
    AlertManager(const AlertManager&) = delete;
    AlertManager& operator=(const AlertManager&) = delete;

    // Number of alert windows currently open.
    int Count() const { return static_cast<int>(open.size()); }
    void Show(const std::wstring& caption, const std::wstring& text);

private:
    struct Alert;
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Forget(HWND hwnd);

    HINSTANCE instance;
    win::ScopedGdiObject captionFont, textFont;
    std::vector<std::unique_ptr<Alert>> open; // one per open window, in the order shown
};

} // namespace zem
