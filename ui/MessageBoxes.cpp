#include "ui/MessageBoxes.h"

namespace zem {

std::wstring ErrorReportText(const std::wstring& message) {
    if (!message.empty() && message.back() > L'.')
        return message + L".";
    return message;
}

} // namespace zem
