#include "ui/dialog_placement.h"

#include <gtest/gtest.h>

#include <vector>

namespace zek {
namespace {

// A 219 x 103 dialog as created at the system's default place.
const ScreenRect kDialog{10, 20, 229, 123};
const ScreenRect kHost{100, 100, 740, 580};

TEST(DialogPlacement, SavedPositionOnScreenIsUsedAsItIs) {
    EXPECT_EQ(PlaceDialog({50, 60}, true, 1280, 1024, kDialog, kHost).x, 50);
    EXPECT_EQ(PlaceDialog({50, 60}, true, 1280, 1024, kDialog, kHost).y, 60);
    // Only the pair -100, -100 means "none saved"; one of them alone is a place.
    const ScreenPoint left = PlaceDialog({-100, 40}, true, 1280, 1024, kDialog, kHost);
    EXPECT_EQ(left.x, -100);
    EXPECT_EQ(left.y, 40);
    // Last pixel column and row still count as on screen.
    const ScreenPoint edge = PlaceDialog({1279, 1023}, true, 1280, 1024, kDialog, kHost);
    EXPECT_EQ(edge.x, 1279);
    EXPECT_EQ(edge.y, 1023);
}

TEST(DialogPlacement, SavedPositionOnNoMonitorCentres) {
    // Saved on a monitor unplugged since: centred as if none was saved.
    const ScreenPoint gone = PlaceDialog({-5000, -5000}, false, 1280, 1024, kDialog, kHost);
    EXPECT_EQ(gone.x, 311);
    EXPECT_EQ(gone.y, 289);
}

TEST(DialogPlacement, RectAtTheSavedPointHasTheDialogsSize) {
    const ScreenRect r = DialogRectAt({-1700, 300}, kDialog);
    EXPECT_EQ((std::vector<int32_t>{r.left, r.top, r.right, r.bottom}),
              (std::vector<int32_t>{-1700, 300, -1481, 403}));
    // A hand-edited position near the limits must not overflow.
    const ScreenRect far = DialogRectAt({INT32_MAX - 10, INT32_MIN}, kDialog);
    EXPECT_EQ(far.right, INT32_MAX);
    EXPECT_EQ(far.bottom, INT32_MIN + 103);
}

TEST(DialogPlacement, NoneSavedCentresOverTheHost) {
    // Host centre (420, 340), dialog centre (119, 71): shift by (301, 269).
    const ScreenPoint p = PlaceDialog({kNoSavedPos, kNoSavedPos}, true, 1280, 1024, kDialog, kHost);
    EXPECT_EQ(p.x, 311);
    EXPECT_EQ(p.y, 289);
}

TEST(DialogPlacement, OffScreenSavedPositionCentres) {
    // A left edge equal to the screen width, or a top edge equal to its
    // height, is off the screen.
    EXPECT_EQ(PlaceDialog({1280, 10}, true, 1280, 1024, kDialog, kHost).x, 311);
    EXPECT_EQ(PlaceDialog({10, 1024}, true, 1280, 1024, kDialog, kHost).y, 289);
}

TEST(DialogPlacement, CentringKeepsTheDialogOnScreen) {
    // Host hanging past the right and bottom edges: the dialog ends at them.
    const ScreenPoint p = PlaceDialog({kNoSavedPos, kNoSavedPos}, true, 800, 600, kDialog, {600, 500, 1000, 800});
    EXPECT_EQ(p.x, 800 - 219);
    EXPECT_EQ(p.y, 600 - 103);
    // Host past the left and top edges: never left of or above 0.
    const ScreenPoint q = PlaceDialog({kNoSavedPos, kNoSavedPos}, true, 800, 600, kDialog, {-500, -400, -100, -100});
    EXPECT_EQ(q.x, 0);
    EXPECT_EQ(q.y, 0);
    // A dialog wider than the screen starts at 0, not at a negative place.
    const ScreenPoint wide = PlaceDialog({kNoSavedPos, kNoSavedPos}, true, 100, 50, kDialog, kHost);
    EXPECT_EQ(wide.x, 0);
    EXPECT_EQ(wide.y, 0);
}

TEST(DialogPlacement, HalfSumsTruncateTowardZero) {
    // Odd sums with negative coordinates: (-3 + 0) / 2 is -1, not -2.
    const ScreenRect dialog{-3, -3, 0, 0};
    const ScreenRect host{0, 0, 11, 11};  // centre 5
    const ScreenPoint p = PlaceDialog({kNoSavedPos, kNoSavedPos}, true, 1000, 1000, dialog, host);
    EXPECT_EQ(p.x, -3 + 5 - (-1));
    EXPECT_EQ(p.y, -3 + 5 - (-1));
}

}  // namespace
}  // namespace zek
