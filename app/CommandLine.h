#pragma once
// The program's command line: splitting and switch matching.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zem {

// Splits a raw command line into parameters. Characters of code 1 to 32 separate them, a
// double quote opens a stretch up to the next double quote in which separators belong to
// the parameter, the quotes are dropped, and empty parameters are skipped. A character of
// code 0 ends the text. The first token (the program as it was invoked) is included.
std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine);

class CommandLine {
public:
    // params[0] is the full path of the program's own file; the rest are the arguments.
    explicit CommandLine(std::vector<std::wstring> params);

    // Parameter i, or the empty text when there is none.
    const std::wstring& ParamStr(std::size_t i) const;
    std::size_t ParamCount() const { return params.size() - 1; }

    // Value switch: the first parameter that starts with '/' or '-' followed by the name
    // (ASCII case ignored) decides; one ':' after the name is skipped, the rest is the value.
    std::optional<std::wstring> ValueSwitch(std::wstring_view name) const;

    // Plain switch: some parameter is '/' or '-' followed by exactly the name, case ignored.
    bool HasSwitch(std::wstring_view name) const;

    // Parameter 1, trimmed of codes <= 32 and upper-cased, equal to "/U".
    bool IsUninstall() const;

private:
    std::vector<std::wstring> params;
};

} // namespace zem
