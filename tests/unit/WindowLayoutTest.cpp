// Label sizing, the header picture's fit and the progress bar's value rules.
#include "ui/WindowLayout.h"

#include <gtest/gtest.h>

using namespace zem;

namespace {

// Every character is 6 pixels wide and a line 14 high; wrapping breaks at the width.
class FixedMeasurer : public ITextMeasurer {
public:
    Size Measure(const std::wstring& text, int wrapWidth) override {
        measured.push_back(text);
        int width = static_cast<int>(text.size()) * 6;
        if (wrapWidth == 0)
            return {width, 14};
        return {wrapWidth, 14 * ((width + wrapWidth - 1) / wrapWidth)};
    }
    std::vector<std::wstring> measured;
};

} // namespace

TEST(WindowLayout, LabelSizing) {
    const LabelStyle& lWait = DesignOf(LabelId::lWait).style;
    const LabelStyle& lDurchSatz = DesignOf(LabelId::lDurchSatz).style;
    const LabelStyle& lFertig = DesignOf(LabelId::lFertig).style;
    const LabelStyle& label2 = DesignOf(LabelId::Label2).style;
    FixedMeasurer m;
    Rect status = LabelRect(lWait, L"a_very_long_file_name_in_the_catalogue.dll", m);
    EXPECT_EQ(status.Right(), 113); // grows to the left, past the window's border
    EXPECT_LT(status.left, 0);
    EXPECT_EQ(LabelRect(lDurchSatz, L"12345,6 kB", m), (Rect{302, 240, 60, 14}));
    EXPECT_EQ(LabelRect(lFertig, L"00:00:00", m), (Rect{382, 240, 48, 14}));
    EXPECT_EQ(LabelRect(lFertig, L"", m), (Rect{424, 240, 6, 14})); // measured as one blank
    EXPECT_EQ(m.measured.back(), L" ");
    EXPECT_EQ(LabelRect(label2, L"Copyright © 2004-2026", m), (Rect{342, 199, 88, 28}));
    LabelRect(lWait, L"R&D.dll", m);
    EXPECT_EQ(m.measured.back(), L"RD.dll");
}

TEST(WindowLayout, Mnemonics) {
    int underline = 0;
    EXPECT_EQ(MnemonicText(L"R&D.dll", &underline), L"RD.dll");
    EXPECT_EQ(underline, 1);
    EXPECT_EQ(MnemonicText(L"a&&b", &underline), L"a&b");
    EXPECT_EQ(underline, -1);
    EXPECT_EQ(MnemonicText(L"end&", &underline), L"end&");
}

TEST(WindowLayout, PictureFit) {
    EXPECT_EQ(FitPicture(454, 193, 2795, 1155), (Rect{0, 3, 454, 187}));
    EXPECT_EQ(FitPicture(454, 193, 200, 100), (Rect{127, 46, 200, 100})); // never enlarged
    EXPECT_EQ(FitPicture(454, 193, 100, 1000), (Rect{217, 0, 19, 193}));  // tall: height decides
}

TEST(WindowLayout, ProgressBarValue) {
    EXPECT_EQ(ClampProgress(150), 100);
    EXPECT_EQ(ClampProgress(-3), 0);
    EXPECT_EQ(ProgressText(99.5), L"100 %");
    EXPECT_EQ(ProgressText(42), L"42 %");
    EXPECT_EQ(ProgressText(250), L"100 %");
}
