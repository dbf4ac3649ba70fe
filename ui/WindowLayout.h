#pragma once
// The start window's geometry: label placement and sizing, the header picture's fit, and
// the progress bar's value rules. Pure functions, drawn by the Win32 window.
#include "ui/StartWindowView.h"

#include <array>
#include <string>
#include <vector>

namespace zem {

struct Rect {
    int left, top, width, height;
    int Right() const { return left + width; }
    bool operator==(const Rect&) const = default;
};

struct Size {
    int width, height;
    bool operator==(const Size&) const = default;
};

enum class Align { Left, Right };

struct LabelStyle {
    Rect design; // position and size at design time
    Align align;
    bool wraps;
};

// A label of the start window as designed: its component name (the key of its design text
// in the message catalogue), placement, and whether it is drawn in white and in the ANSI
// character set.
struct LabelDesign {
    const wchar_t* component;
    LabelStyle style;
    bool white;
    bool ansiCharset;
};

// The start window's labels, in the order of LabelId.
extern const std::array<LabelDesign, 7> StartWindowLabels;
inline const LabelDesign& DesignOf(LabelId id) {
    return StartWindowLabels[static_cast<std::size_t>(id)];
}

// Measures text in the label's font: one line, or wrapped to a width.
class ITextMeasurer {
public:
    virtual ~ITextMeasurer() = default;
    virtual Size Measure(const std::wstring& text, int wrapWidth /* 0: one line */) = 0;
};

// The text a label draws: a lone '&' marks the next character (underlined, index returned
// through underline, -1 when none) and is not drawn; "&&" draws one '&'.
std::wstring MnemonicText(const std::wstring& text, int* underline);

// The label's rectangle for a text: a non-wrapping label takes the text's width and one
// line's height, a wrapping one keeps its width; right-aligned labels keep their right edge.
// An empty text is measured as one blank.
Rect LabelRect(const LabelStyle& style, const std::wstring& text, ITextMeasurer& measurer);

// The drawn rectangle of a picture of w x h in a box: shrunk in proportion when it does not
// fit (sizes truncated), never enlarged, centred.
Rect FitPicture(int boxWidth, int boxHeight, int pictureWidth, int pictureHeight);

// The progress bar's automatic height for its font: the text's line height with a border
// and a pixel of padding above and below.
int ProgressBarHeight(int textHeight);

// The bar's value clamped to 0..100, and its text: the rounded percentage and " %".
double ClampProgress(double value);
std::wstring ProgressText(double value);

} // namespace zem
