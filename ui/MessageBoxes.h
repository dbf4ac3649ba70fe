#pragma once
// The program's modal message boxes, all captioned with the application's title.
#include <string>

namespace zem {

class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    // The toolkit's plain box: the text and a single OK button.
    virtual void ShowPlain(const std::wstring& text) = 0;
    // The translation component's box: a task dialog with the text as content (no main
    // instruction) and one button captioned from the catalogue; Esc also dismisses it.
    virtual void ShowTranslated(const std::wstring& text, const std::wstring& buttonCaption) = 0;
    // The standard error report: error icon and the failure's message.
    virtual void ShowError(const std::wstring& text) = 0;
};

// The standard error report's text: a full stop is appended when the message's last
// character has a code above that of '.'.
std::wstring ErrorReportText(const std::wstring& message);

} // namespace zem
