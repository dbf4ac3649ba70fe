#pragma once
// The start window's message catalogue: texts by identifier in three languages, plus the
// per-language window texts, fonts and character sets carried as data.
#include "ui/MessageBoxes.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace zem {

constexpr std::size_t LanguageCount = 3;
using LanguageCells = std::array<std::wstring_view, LanguageCount>;

struct CatalogueRow {
    std::wstring_view key;
    LanguageCells cells;
};

class TsiLang {
public:
    static const std::array<std::wstring_view, LanguageCount> Languages;
    static const std::vector<CatalogueRow> Messages;
    static const std::vector<CatalogueRow> WindowTexts;
    static const std::vector<CatalogueRow> Fonts;
    static const std::vector<CatalogueRow> Charsets;
    static const std::vector<CatalogueRow> DialogCaptions;

    // Position of the active language, 0-based; "German" unless changed.
    std::size_t ActiveLanguage = 0;

    // Text of a message identifier (ASCII case ignored) in the active language, falling back
    // to the first language when that cell is empty; an unknown identifier gives "".
    std::wstring GetTextOrDefault(std::wstring_view id) const;
    // Design text of a start-window component (its name, ASCII case ignored), by the same rule.
    std::wstring WindowText(std::wstring_view component) const;
    // Caption of a message-box element, by the same rule.
    std::wstring DialogCaption(std::wstring_view element) const;
    // Shows the text in the translation component's message box, button caption "OK" from
    // the dialog captions.
    void ShowMessage(IMessageBoxes& boxes, const std::wstring& text) const;

private:
    std::wstring Lookup(const std::vector<CatalogueRow>& table, std::wstring_view key) const;
};

} // namespace zem
