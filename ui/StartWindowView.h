#pragma once
// The start window's visible state and message queue, as the program's logic sees them.
#include <string>

namespace zem {

// The custom messages the start window posts to itself.
constexpr unsigned WM_USER_BASE = 0x0400;
constexpr unsigned WM_DOUPDATE = WM_USER_BASE + 1;
constexpr unsigned WM_DOSTART = WM_USER_BASE + 2;
constexpr unsigned WM_DOFINISH = WM_USER_BASE + 3;
// System messages that the update run posts to other programs' windows.
constexpr unsigned WM_DESTROY_MESSAGE = 0x0002;
constexpr unsigned WM_CLOSE_MESSAGE = 0x0010;

enum class LabelId { Label1, Label2, Label3, Label5, lWait, lFertig, lDurchSatz };

class IStartWindowView {
public:
    virtual ~IStartWindowView() = default;
    // Replaces a label's text (the label resizes itself); painted at the next message pump.
    virtual void SetCaption(LabelId label, const std::wstring& text) = 0;
    virtual std::wstring Caption(LabelId label) const = 0;
    // Sets the progress bar (clamped to 0..100) and, with it, the taskbar progress.
    virtual void SetProgress(double value) = 0;
    // Number of alert windows currently open, and opening one more.
    virtual int AlertCount() = 0;
    virtual void ShowAlert(const std::wstring& caption, const std::wstring& text,
                           int imageIndex) = 0;
    // Processes every pending window message; nested handlers may run. A quit request taken
    // from the queue makes the program count as terminated.
    virtual void ProcessMessages() = 0;
    // Queues one of the custom messages to the window itself.
    virtual void PostToSelf(unsigned message) = 0;
    // Closes the window: queues the quit request; the window stays on screen.
    virtual void Close() = 0;
    virtual bool Terminated() const = 0;
    virtual void Repaint() = 0;
};

} // namespace zem
