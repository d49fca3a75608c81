#include "ui/dialog_placement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zek {
namespace {

// A 219 x 103 dialog as created at the system's default place.
const ScreenRect kDialog{10, 20, 229, 123};
const ScreenRect kHost{100, 100, 740, 580};
constexpr ScreenPoint kNone{kNoSavedPos, kNoSavedPos};

Monitor Screen(ScreenRect area, bool primary = false) { return {area, area, primary}; }
std::vector<Monitor> OneScreen(int32_t w, int32_t h) { return {Screen({0, 0, w, h}, true)}; }
HostWindow At(ScreenRect rect) { return {rect, false, {}}; }

std::string Text(ScreenPoint p) { return std::to_string(p.x) + "," + std::to_string(p.y); }

// On one monitor whose work area is the whole screen, every case of the
// one-screen rule comes out as it always did.
TEST(DialogPlacement, OneScreenGivesTheOneScreenRule) {
    struct Case {
        const char* what;
        ScreenPoint saved;
        int32_t w, h;
        ScreenRect host;
        ScreenPoint expected;
        ScreenRect dialog = kDialog;
    } cases[] = {
        {"saved on screen", {50, 60}, 1280, 1024, kHost, {50, 60}},
        {"only the pair -100,-100 means none saved", {-100, 40}, 1280, 1024, kHost, {-100, 40}},
        {"last column and row are on screen", {1279, 1023}, 1280, 1024, kHost, {1279, 1023}},
        // Host centre (420, 340), dialog centre (119, 71): shift by (301, 269).
        {"none saved centres over the host", kNone, 1280, 1024, kHost, {311, 289}},
        {"a left edge at the screen width centres", {1280, 10}, 1280, 1024, kHost, {311, 289}},
        {"a top edge at the screen height centres", {10, 1024}, 1280, 1024, kHost, {311, 289}},
        {"ends at the right and bottom edges", kNone, 800, 600, {600, 500, 1000, 800}, {800 - 219, 600 - 103}},
        {"never left of or above 0", kNone, 800, 600, {-500, -400, -100, -100}, {0, 0}},
        {"wider than the screen starts at 0", kNone, 100, 50, kHost, {0, 0}},
        // Odd sums with negative coordinates: (-3 + 0) / 2 is -1, not -2.
        {"half-sums truncate toward zero", kNone, 1000, 1000, {0, 0, 11, 11}, {-3 + 5 + 1, -3 + 5 + 1}, {-3, -3, 0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Text(PlaceDialog(c.saved, c.dialog, At(c.host), OneScreen(c.w, c.h))), Text(c.expected)) << c.what;
    }
    // Saved on a monitor unplugged since: centred as if none was saved.
    EXPECT_EQ(Text(PlaceDialog({-5000, -5000}, kDialog, At(kHost), OneScreen(1280, 1024))), "311,289");
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

// A desk monitor of 1920 x 1080 (taskbar 40 rows at the bottom) and a TV
// beside it, the viewer full screen on the TV.
TEST(DialogPlacement, TvInEveryDirectionOpensOverTheViewerAndKeepsItsSavedPoint) {
    const Monitor desk{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, true};
    struct Case {
        const char* what;
        ScreenRect tv;
        ScreenRect host;
        ScreenPoint centred;
        ScreenPoint savedOnTv;
    } cases[] = {
        // Host centre (2880, 1080): the one-screen rule would have clamped to 1701.
        {"right", {1920, 0, 3840, 2160}, {1920, 0, 3840, 2160}, {2771, 1029}, {3000, 500}},
        {"left", {-1920, 0, 0, 1080}, {-1800, 100, -200, 1000}, {-1109, 499}, {-1500, 300}},
        {"above", {0, -1080, 1920, 0}, {100, -1000, 1700, -100}, {791, -601}, {200, -900}},
        // In the TV's lower right corner: ends at its right and bottom edges.
        {"below", {0, 1080, 1920, 2160}, {1800, 2100, 1920, 2160}, {1701, 2057}, {100, 1500}},
        // 1280 x 720, standing 300 rows higher than the desk: kept under its top.
        {"smaller and offset", {1920, -300, 3200, 420}, {2000, -300, 2400, -200}, {2091, -300}, {2500, -250}},
    };
    for (const Case& c : cases) {
        const std::vector<Monitor> monitors{desk, Screen(c.tv)};
        EXPECT_EQ(Text(PlaceDialog(kNone, kDialog, At(c.host), monitors)), Text(c.centred)) << c.what;
        EXPECT_EQ(Text(PlaceDialog(c.savedOnTv, kDialog, At(c.host), monitors)), Text(c.savedOnTv)) << c.what;
    }
}

TEST(DialogPlacement, TheWorkAreaBoundsTheCentring) {
    // Taskbar at the bottom: the dialog ends above it, not at the screen's edge.
    const std::vector<Monitor> bottomBar{{{0, 0, 1280, 1024}, {0, 0, 1280, 984}, true}};
    EXPECT_EQ(Text(PlaceDialog(kNone, kDialog, At({1100, 950, 1500, 1250}), bottomBar)), "1061,881");
    // Taskbar at the top: the dialog starts below it.
    const std::vector<Monitor> topBar{{{0, 0, 1280, 1024}, {0, 40, 1280, 1024}, true}};
    EXPECT_EQ(Text(PlaceDialog(kNone, kDialog, At({-400, -300, -100, -100}), topBar)), "0,40");
    // A saved point under the taskbar is still on the monitor: kept.
    EXPECT_EQ(Text(PlaceDialog({100, 1000}, kDialog, At(kHost), bottomBar)), "100,1000");
}

TEST(DialogPlacement, SavedOnAnUnpluggedTvCentresOnTheMonitorsLeft) {
    const std::vector<Monitor> deskOnly{{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, true}};
    EXPECT_EQ(Text(PlaceDialog({2500, 400}, kDialog, At(kHost), deskOnly)), "311,289");
}

TEST(DialogPlacement, TheHostsMonitorIsTheOneHoldingMostOfIt) {
    // The TV's work area differs from its screen, so the choice shows.
    const std::vector<Monitor> monitors{{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, true},
                                        {{1920, 0, 3840, 1080}, {1920, 0, 3840, 1000}, false}};
    // 420 columns on the desk, 580 on the TV: the TV's left edge holds it.
    const HostWindow spanning = At({1500, 500, 2500, 1100});
    EXPECT_EQ(HostMonitor(spanning, monitors), 1u);
    EXPECT_EQ(Text(PlaceDialog(kNone, kDialog, spanning, monitors)), "1920,749");
    // On no monitor: the nearest one.
    EXPECT_EQ(HostMonitor(At({4000, 100, 4400, 500}), monitors), 1u);
    EXPECT_EQ(Text(PlaceDialog(kNone, kDialog, At({4000, 100, 4400, 500}), monitors)), "3621,249");
    EXPECT_EQ(HostMonitor(At({-900, 100, -500, 500}), monitors), 0u);
    // Minimised: where it comes back to decides, else the primary; the
    // dialog is centred over that place (centre 2500, 500), not pushed into
    // the TV's corner from the parking place.
    const ScreenRect parked{-32000, -32000, -31840, -31972};
    EXPECT_EQ(HostMonitor({parked, true, {2000, 100, 3000, 900}}, monitors), 1u);
    EXPECT_EQ(Text(PlaceDialog(kNone, kDialog, {parked, true, {2000, 100, 3000, 900}}, monitors)), "2391,449");
    EXPECT_EQ(HostMonitor({parked, true, {-9000, 0, -8000, 900}}, monitors), 0u);
    // Not yet placed (an empty rectangle): the primary, wherever it stands in the list.
    const std::vector<Monitor> primarySecond{monitors[1], monitors[0]};
    EXPECT_EQ(HostMonitor(At({}), primarySecond), 1u);
}

// The desk and, right of it, a TV whose taskbar stands at its left edge, 48
// columns wide (or at its top, 40 rows high), as every monitor has one on
// some systems. The system gives a minimised viewer's restored rectangle in
// workspace coordinates: screen coordinates less how far the work area of
// the window's monitor stands in from that monitor's top left corner.
TEST(DialogPlacement, AMinimisedViewerGetsTheDialogWhereItComesBack) {
    const Monitor desk{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, true};
    const ScreenRect tvArea{1920, 0, 3840, 1080};
    const Monitor leftBar{tvArea, {1968, 0, 3840, 1080}, false};
    const Monitor topBar{tvArea, {1920, 40, 3840, 1080}, false};
    const ScreenRect parked{-32000, -32000, -31840, -31972};
    struct Case {
        const char* what;
        Monitor tv;
        RestorePlacement placement;
        ScreenRect restored;
        std::size_t monitor;
        ScreenPoint dialog;
    } cases[] = {
        // Comes back to 2000,100-3000,900 (centre 2500, 500).
        {"left bar", leftBar, {{1952, 100, 2952, 900}, true, false, tvArea}, {2000, 100, 3000, 900}, 1, {2391, 449}},
        {"top bar", topBar, {{2000, 60, 3000, 860}, true, false, tvArea}, {2000, 100, 3000, 900}, 1, {2391, 449}},
        // 472 columns on the desk, 528 on the TV: shifted by the desk's work
        // area instead, the rectangle would lie mostly on the desk. Centred
        // at 1948 it would start left of the TV's work area: it starts there.
        {"at the boundary", leftBar, {{1400, 100, 2400, 900}, true, false, tvArea}, {1448, 100, 2448, 900}, 1,
         {1968, 449}},
        // Comes back maximised: over the TV's work area (centre 2904, 540).
        {"maximised", leftBar, {{1952, 100, 2952, 900}, true, true, tvArea}, {1968, 0, 3840, 1080}, 1, {2795, 489}},
        // A tool window's rectangle is in screen coordinates already.
        {"tool window", leftBar, {{2000, 100, 3000, 900}, false, false, tvArea}, {2000, 100, 3000, 900}, 1,
         {2391, 449}},
        // A monitor gone from the list since: the primary, whose work area
        // starts at the screen's origin, and the dialog within it.
        {"unlisted monitor", leftBar, {{2000, 100, 3000, 900}, true, false, {5000, 0, 6000, 800}},
         {2000, 100, 3000, 900}, 0, {1701, 449}},
    };
    for (const Case& c : cases) {
        const std::vector<Monitor> monitors{desk, c.tv};
        const HostWindow host = MinimisedHost(parked, c.placement, monitors);
        const ScreenRect& r = host.restored;
        EXPECT_EQ((std::vector<int32_t>{r.left, r.top, r.right, r.bottom}),
                  (std::vector<int32_t>{c.restored.left, c.restored.top, c.restored.right, c.restored.bottom}))
            << c.what;
        EXPECT_EQ(HostMonitor(host, monitors), c.monitor) << c.what;
        EXPECT_EQ(Text(PlaceDialog(kNone, kDialog, host, monitors)), Text(c.dialog)) << c.what;
    }
}

}  // namespace
}  // namespace zek
