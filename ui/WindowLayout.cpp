#include "ui/WindowLayout.h"

#include <algorithm>
#include <cmath>

namespace zem {

std::wstring MnemonicText(const std::wstring& text, int* underline) {
    std::wstring out;
    int marked = -1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != L'&' && marked < 0)
                marked = static_cast<int>(out.size());
        }
        out += text[i];
    }
    if (underline != nullptr)
        *underline = marked;
    return out;
}

Rect LabelRect(const LabelStyle& style, const std::wstring& text, ITextMeasurer& measurer) {
    std::wstring shown = MnemonicText(text, nullptr);
    if (shown.empty())
        shown = L" ";
    Rect r = style.design;
    if (style.wraps) {
        r.height = measurer.Measure(shown, style.design.width).height;
        return r;
    }
    Size s = measurer.Measure(shown, 0);
    r.width = s.width;
    r.height = s.height;
    if (style.align == Align::Right)
        r.left = style.design.Right() - s.width;
    return r;
}

Rect FitPicture(int boxWidth, int boxHeight, int pictureWidth, int pictureHeight) {
    // Integer arithmetic, so that the side that decides the scale fills the box exactly.
    long long W = boxWidth, H = boxHeight, w = pictureWidth, h = pictureHeight;
    long long dw = w, dh = h;
    if (W * h <= H * w) { // the width ratio is the smaller one
        if (W < w)
            dw = W, dh = h * W / w;
    } else if (H < h) {
        dh = H, dw = w * H / h;
    }
    return Rect{static_cast<int>((W - dw) / 2), static_cast<int>((H - dh) / 2),
                static_cast<int>(dw), static_cast<int>(dh)};
}

const std::array<LabelDesign, 7> StartWindowLabels = {{
    {L"Label1", {{295, 216, 135, 14}, Align::Right, true}, false, true},
    {L"Label2", {{342, 199, 88, 28}, Align::Right, true}, false, true},
    {L"Label3", {{10, 7, 77, 14}, Align::Left, false}, true, true},
    {L"Label5", {{384, 25, 46, 28}, Align::Right, true}, true, true},
    {L"lWait", {{32, 240, 81, 14}, Align::Right, false}, false, true},
    {L"lFertig", {{378, 240, 52, 14}, Align::Right, false}, false, false},
    {L"lDurchSatz", {{302, 240, 55, 14}, Align::Left, false}, false, false},
}};

int ProgressBarHeight(int textHeight) {
    return textHeight + 4;
}

double ClampProgress(double value) {
    return std::clamp(value, 0.0, 100.0);
}

std::wstring ProgressText(double value) {
    return std::to_wstring(static_cast<int>(std::lround(ClampProgress(value)))) + L" %";
}

} // namespace zem
