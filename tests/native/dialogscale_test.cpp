// Scale entries and the geometry of scaled dialogs, worked by hand.
#include "lang/core/dialogscale.h"
#include <gtest/gtest.h>
#include <climits>

namespace {

TEST(ScaleEntry, ReadLikeAtoiOnBothSidesOfTheFirstAsterisk) {
    const struct {
        const char* text;
        int h, v;
        bool applies;
    } cases[] = {
        {"150*100", 150, 100, true},    {"100*100", 100, 100, false},  {"120", 100, 100, false},
        {"", 100, 100, false},          {" +120 *\t-5", 120, -5, true}, {"abc*def", 0, 0, true},
        {"*", 0, 0, true},              {"100*100*50", 100, 100, false}, {"90px*110%", 90, 110, true},
        {"99999999999*1", INT_MAX, 1, true}, {"-99999999999*100", INT_MIN, 100, true},
        {"0100*0100", 100, 100, false}, {"100 * 100", 100, 100, false},
    };
    for (const auto& c : cases) {
        DialogScale s = ParseScaleEntry(c.text);
        EXPECT_EQ(s.horizontal, c.h) << c.text;
        EXPECT_EQ(s.vertical, c.v) << c.text;
        EXPECT_EQ(s.applies, c.applies) << c.text;
    }
    EXPECT_EQ(LeadingNumber(nullptr), 0);
    EXPECT_EQ(LeadingNumber("  -0042x"), -42);
    EXPECT_EQ(LeadingNumber("- 5"), 0);
}

// A dialog at (100,200) of 300 by 300 pixels with a client area of 292 by
// 270: frame 8 wide (+1: rectangles are measured right - left + 1) and 30 high.
const Rect32 Window{100, 200, 399, 499};
const Rect32 Client{0, 0, 292, 270};

TEST(DialogGeometry, FrameAndNewSize) {
    FrameSize f = DialogFrameSize(Window, Client);
    EXPECT_EQ(f.width, 8);
    EXPECT_EQ(f.height, 30);
    Placement p = ScaledDialogSize(Client, f, ParseScaleEntry("150*100"));
    EXPECT_EQ(p.width, 292 * 150 / 100 + 8);
    EXPECT_EQ(p.height, 270 + 30);
    p = ScaledDialogSize(Client, f, ParseScaleEntry("33*66"));
    EXPECT_EQ(p.width, 96 + 8);   // 292 * 33 = 9636, truncated
    EXPECT_EQ(p.height, 178 + 30);  // 270 * 66 = 17820
}

TEST(DialogGeometry, ChildrenMoveByTheFormulasInTheirOrder) {
    FrameSize f = DialogFrameSize(Window, Client);
    const int top = f.height - 3;  // a dialog frame 3 pixels thick
    const struct {
        Rect32 child;
        const char* scale;
        Placement expected;
    } cases[] = {
        // x = (150 - 100 - 4) * 150 / 100, y = (260 - 200 - 27), w = 150 * 100 / 100, h = 20
        {{150, 260, 249, 279}, "150*100", {69, 33, 150, 20}},
        {{150, 260, 249, 279}, "100*150", {46, 49, 100, 30}},
        // Offsets left of the client area truncate toward zero: -4 * 33 / 100 = -1.
        {{100, 200, 109, 209}, "33*33", {-1, -8, 3, 3}},
        {{103, 227, 103, 227}, "200*200", {-2, 0, 2, 2}},
    };
    for (const auto& c : cases) {
        Placement p = ScaledChildPlacement(c.child, Window, f, top, ParseScaleEntry(c.scale), nullptr);
        EXPECT_EQ(p.x, c.expected.x) << c.scale;
        EXPECT_EQ(p.y, c.expected.y) << c.scale;
        EXPECT_EQ(p.width, c.expected.width) << c.scale;
        EXPECT_EQ(p.height, c.expected.height) << c.scale;
    }
}

TEST(DialogGeometry, DropDownComboGrowsByItsScaledListHeight) {
    FrameSize f = DialogFrameSize(Window, Client);
    Rect32 combo{150, 260, 249, 279};
    Rect32 dropped{150, 260, 249, 379};  // 120 high with its list
    DialogScale s = ParseScaleEntry("100*150");
    Placement simple = ScaledChildPlacement(combo, Window, f, 27, s, nullptr);
    Placement dropDown = ScaledChildPlacement(combo, Window, f, 27, s, &dropped);
    EXPECT_EQ(simple.height, 30);
    EXPECT_EQ(dropDown.height, 30 + 180);
    EXPECT_EQ(dropDown.width, simple.width);
    EXPECT_EQ(dropDown.y, simple.y);
}

TEST(DialogGeometry, AbsurdScalesClampInsteadOfOverflowing) {
    FrameSize f = DialogFrameSize(Window, Client);
    DialogScale huge = ParseScaleEntry("2147483647*-2147483648");
    Placement p = ScaledDialogSize(Client, f, huge);
    EXPECT_EQ(p.width, INT_MAX);
    EXPECT_EQ(p.height, INT_MIN + 30);  // clamped product plus the frame
    Rect32 far{INT_MAX - 5, INT_MIN, INT_MAX, INT_MIN + 5};
    Placement c = ScaledChildPlacement(far, Rect32{INT_MIN, INT_MAX, 0, 0}, f, INT_MAX, huge, &far);
    EXPECT_EQ(c.x, INT_MAX);
    EXPECT_EQ(c.y, INT_MAX);  // a negative offset times a negative percent
    FrameSize wide = DialogFrameSize(Rect32{INT_MIN, 0, INT_MAX, 0}, Rect32{0, 0, -5, 0});
    EXPECT_EQ(wide.width, INT_MAX);
}

// The program's reading: out-of-range entries are no scale at all.
TEST(ScaleEntry, OutsideTheRangeMeansUnscaled) {
    const struct {
        const char* text;
        int h, v;
    } cases[] = {
        {"-2147483648*-2147483648", 100, 100}, {"0*0", 100, 100},      {"99999*99999", 100, 100},
        {"1001*100", 100, 100},                {"100*0", 100, 100},    {"abc*def", 100, 100},
        {"1*1", 1, 1},                         {"1000*1000", 1000, 1000}, {" +120 *110", 120, 110},
    };
    for (const auto& c : cases) {
        DialogScale s = ScaleFromEntry(c.text);
        EXPECT_EQ(s.horizontal, c.h) << c.text;
        EXPECT_EQ(s.vertical, c.v) << c.text;
        EXPECT_EQ(s.applies, !(c.h == 100 && c.v == 100)) << c.text;
    }
}

// The 292 by 270 client area of the dialog above (frame 8 by 30) in work
// areas of several sizes.
TEST(DialogGeometry, ScaleIsLoweredToFitTheWorkArea) {
    FrameSize f = DialogFrameSize(Window, Client);
    const struct {
        const char* scale;
        int areaWidth, areaHeight;
        int h, v;
    } cases[] = {
        {"150*150", 1280, 1024, 150, 150},  // fits as it is
        {"1000*1000", 1280, 1024, 435, 368},  // (1280 - 8) * 100 / 292, (1024 - 30) * 100 / 270
        {"1000*100", 640, 480, 216, 100},
        {"200*200", 5, 5, 1, 1},            // nothing fits: the smallest scale
        {"100*100", 10, 10, 100, 100},      // an unscaled dialog is left alone
    };
    for (const auto& c : cases) {
        DialogScale s = FitScaleToArea(ScaleFromEntry(c.scale), Client, f, c.areaWidth, c.areaHeight);
        EXPECT_EQ(s.horizontal, c.h) << c.scale << " in " << c.areaWidth;
        EXPECT_EQ(s.vertical, c.v) << c.scale << " in " << c.areaWidth;
        Placement p = ScaledDialogSize(Client, f, s);
        if (s.applies && c.areaWidth > 100) {
            EXPECT_LE(p.width, c.areaWidth) << c.scale;
            EXPECT_LE(p.height, c.areaHeight) << c.scale;
        }
    }
}

TEST(DialogGeometry, ResizedDialogIsMovedInsideTheArea) {
    const Rect32 area{0, 0, 1280, 1000};
    const struct {
        Rect32 window;
        int width, height;
        int x, y;
    } cases[] = {
        {{100, 200, 399, 499}, 400, 300, 100, 200},   // fits: not moved
        {{1000, 900, 1299, 1199}, 400, 300, 880, 700},  // moved up and left, just inside
        {{-50, -20, 100, 100}, 200, 200, 0, 0},
        {{100, 100, 200, 200}, 2000, 1200, 0, 0},     // larger than the area: its top-left corner
    };
    for (const auto& c : cases) {
        Placement p = KeepInsideArea(c.window, Placement{0, 0, c.width, c.height}, area);
        EXPECT_EQ(p.x, c.x);
        EXPECT_EQ(p.y, c.y);
        EXPECT_EQ(p.width, c.width);
    }
}

}  // namespace
