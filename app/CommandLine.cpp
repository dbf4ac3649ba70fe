#include "app/CommandLine.h"

#include "util/PathText.h"

namespace zem {

std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine) {
    std::vector<std::wstring> result;
    std::size_t end = commandLine.find(L'\0');
    if (end != std::wstring_view::npos)
        commandLine = commandLine.substr(0, end);
    std::size_t i = 0;
    while (i < commandLine.size()) {
        while (i < commandLine.size() && commandLine[i] <= L' ')
            ++i;
        if (i >= commandLine.size())
            break;
        std::wstring param;
        bool quoted = false;
        while (i < commandLine.size() && (quoted || commandLine[i] > L' ')) {
            if (commandLine[i] == L'"')
                quoted = !quoted;
            else
                param += commandLine[i];
            ++i;
        }
        if (!param.empty())
            result.push_back(std::move(param));
    }
    return result;
}

CommandLine::CommandLine(std::vector<std::wstring> p) : params(std::move(p)) {
    if (params.empty())
        params.emplace_back();
}

const std::wstring& CommandLine::ParamStr(std::size_t i) const {
    static const std::wstring empty;
    return i < params.size() ? params[i] : empty;
}

static bool IsSwitchChar(wchar_t c) {
    return c == L'/' || c == L'-';
}

std::optional<std::wstring> CommandLine::ValueSwitch(std::wstring_view name) const {
    for (std::size_t i = 1; i < params.size(); ++i) {
        std::wstring_view p = params[i];
        if (p.size() < 1 + name.size() || !IsSwitchChar(p[0]) ||
            !SameTextAscii(p.substr(1, name.size()), name))
            continue;
        std::wstring_view rest = p.substr(1 + name.size());
        if (!rest.empty() && rest[0] == L':')
            rest.remove_prefix(1);
        return std::wstring(rest);
    }
    return std::nullopt;
}

bool CommandLine::HasSwitch(std::wstring_view name) const {
    for (std::size_t i = 1; i < params.size(); ++i) {
        std::wstring_view p = params[i];
        if (!p.empty() && IsSwitchChar(p[0]) && SameTextLocale(p.substr(1), name))
            return true;
    }
    return false;
}

bool CommandLine::IsUninstall() const {
    return Trim(UpperCaseLocale(ParamStr(1))) == L"/U";
}

} // namespace zem
