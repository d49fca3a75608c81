"""The settings dialog worked as a user works it: clicks, keys and typed
characters reach its controls as window messages, and the effect shows in
the zoom commands, the frames and the settings file."""
import os
import unittest

from harness import HostTest

# The reference host's window and the primary screen under xvfb-run.
HOST_RECT = (100, 100, 740, 580)
ERROR_TEXT = "The value must be a number from 0 to 9."

# Band pattern: rows 0..59 black in a 720 x 576 frame gives 5900 / 458 = 12
# plus the channel's extra zoom.
BAND_ZOOM = 12


def text(hex_text):
    return bytes.fromhex(hex_text).decode("utf-8")


def rect(value):
    return tuple(int(v) for v in value.split(","))


def dumps(run):
    """The dialog's state at every `dump`, in order."""
    found = []
    for line in run.lines:
        if line.startswith("dialog "):
            found.append(dict(part.split("=", 1) for part in line.split() if "=" in part))
    return found


def ini(run):
    with open(run.path("Plugins", "ZEK_DideZede.ini"), "rb") as f:
        return f.read().decode("ascii")


def section(ini_text, name):
    """key -> value of one section of the settings file."""
    values, inside = {}, False
    for line in ini_text.split("\r\n"):
        if line.startswith("["):
            inside = line == "[%s]" % name
        elif inside and "=" in line:
            key, value = line.split("=", 1)
            values[key] = value
    return values


def luma(frame, width, x, y):
    return frame[(y * width + x) * 2]


class LiveChanges(HostTest):
    def test_one_window_live_changes_and_cancel_puts_them_back(self):
        run = self.host("--keep", "all", do=(
            "channel 17; start; frames 30; setup; pump 100; dump; "
            "setup; dump; command 1; command 2; dump; "
            "type 5105 7; key 5105 enter; dump; frames 1; "
            "click 5050; dump; frames 1; dumpframe off.raw; "
            "click 5003; dump; frames 1; dumpframe on.raw; done"))
        opened, again, after_keys, typed, switched_off, cancelled = dumps(run)
        self.assertEqual(opened["open"], "1")
        self.assertEqual(opened["count"], "1")
        self.assertEqual(text(opened["caption_hex"]), "ZEK_DideZede plugin")
        self.assertEqual(text(opened["name_hex"]), "Channel 17")
        self.assertEqual((opened["onoff"], opened["metrics"], opened["edit"]), ("1", "0", "3"))
        # A second Setup focuses the open dialog; no second window.
        self.assertEqual(again["count"], "1")
        self.assertNotEqual(again["focus"], "0")
        # IDOK and IDCANCEL, as Enter and Escape reach a dialog, do nothing.
        self.assertEqual((after_keys["open"], after_keys["edit"]), ("1", "3"))
        # 7 + Enter: the very next frame zooms with the new extra zoom.
        self.assertEqual(typed["edit"], "7")
        zooms = run.zooms()
        self.assertEqual([z[2] for z in zooms], [BAND_ZOOM + 3, BAND_ZOOM + 7, BAND_ZOOM + 3])
        self.assertEqual(zooms[1][0], 31)
        # Processing off: the frame is neither painted nor measured.
        self.assertEqual(switched_off["onoff"], "0")
        with open(run.path("off.raw"), "rb") as f:
            self.assertEqual(luma(f.read(), 720, 0, 0), 16)
        # Cancel: closed, both values back, the next frame is processed and
        # zoomed with the old extra zoom again (the third zoom above, frame 33).
        self.assertEqual(cancelled["open"], "0")
        self.assertEqual(zooms[2][0], 33)
        with open(run.path("on.raw"), "rb") as f:
            self.assertNotEqual(luma(f.read(), 720, 0, 0), 16)
        self.assertEqual(section(ini(run), "17"), {"ProcEnable": "1", "OverZoom": "3"})

    def test_close_box_undoes_even_a_number_typed_without_enter(self):
        run = self.host("--keep", "all", do=(
            "channel 17; start; frames 30; setup; pump 100; click 5050; type 5105 8; key 5105 enter; "
            "type 5105 6; close; dump; frames 2; done"))
        self.assertEqual(dumps(run)[0]["open"], "0")
        self.assertEqual([z[2] for z in run.zooms()], [BAND_ZOOM + 3])
        self.assertEqual(section(ini(run), "17"), {"ProcEnable": "1", "OverZoom": "3"})

    def test_ok_keeps_the_changes_and_done_writes_them(self):
        run = self.host("--keep", "all", do=(
            "channel 17; start; frames 30; setup; pump 100; click 5050; type 5105 7; key 5105 enter; "
            "click 5002; dump; setup; pump 100; dump; "
            # Done with the dialog open keeps what it shows, like OK.
            "type 5105 5; key 5105 enter; done"))
        closed, reopened = dumps(run)
        self.assertEqual(closed["open"], "0")
        self.assertEqual((reopened["onoff"], reopened["edit"]), ("0", "7"))
        self.assertEqual(section(ini(run), "17"), {"ProcEnable": "0", "OverZoom": "5"})


class NumberField(HostTest):
    def test_refused_text_shows_the_balloon_and_keeps_the_last_number(self):
        run = self.host("--keep", "all", do=(
            "channel 17; start; frames 30; setup; pump 100; type 5105 7; key 5105 enter; "
            "clear 5105; key 5105 enter; pump 100; dump; frames 1; "
            "key 5105 escape; dump; "
            # Losing the focus checks like Enter: refused keeps the focus...
            "clear 5105; focus 5050; dump; key 5105 escape; "
            # ...accepted passes the number on.
            "type 5105 5; focus 5050; dump; "
            # The balloon goes when the field moves, and by itself after 4 s.
            "clear 5105; key 5105 enter; move 200 200; pump 300; dump; "
            "clear 5105; key 5105 enter; pump 1000; dump; pump 3500; dump; key 5105 escape; "
            "enable 5105 0; dump; enable 5105 1; dump; "
            # The edit's own timer scrolls a selection dragged past its end.
            "dragselect 5105 %s 1000; key 5105 escape; click 5002; done" % ("1234567890" * 5)))
        (refused, escaped, kept_focus, left, moved, still, expired, disabled, enabled) = dumps(run)

        self.assertEqual((refused["balloon"], refused["edit"], refused["focus"]), ("1", "", "5105"))
        self.assertEqual(text(refused["balloon_text_hex"]), ERROR_TEXT)
        # The balloon's stem points at the field's lower right corner.
        edit, balloon = rect(refused["edit_rect"]), rect(refused["balloon_rect"])
        self.assertTrue(balloon[0] <= edit[2] <= balloon[2], (edit, balloon))
        self.assertTrue(abs(balloon[1] - edit[3]) <= 2 or abs(balloon[3] - edit[3]) <= 2, (edit, balloon))
        # The refused text left the extra zoom at 7: no new zoom command.
        self.assertEqual([z[2] for z in run.zooms()], [BAND_ZOOM + 3, BAND_ZOOM + 7])

        self.assertEqual((escaped["edit"], escaped["balloon"]), ("7", "0"))
        self.assertEqual((kept_focus["balloon"], kept_focus["focus"]), ("1", "5105"))
        self.assertEqual((left["edit"], left["balloon"], left["focus"]), ("5", "0", "5050"))
        self.assertEqual(moved["balloon"], "0")
        self.assertEqual(still["balloon"], "1")
        self.assertEqual(expired["balloon"], "0")
        # The spin follows the field's enabled state.
        self.assertEqual(disabled["spin_enabled"], "0")
        self.assertEqual(enabled["spin_enabled"], "1")
        # start,end,first character in view: on the button's press and after
        # a second held past the field's right edge. Wine 8's edit scrolls on
        # WM_TIMER through its window procedure, which the field must pass on;
        # Wine 10's scrolls even if that message is swallowed, so there this
        # holds only that a drag scrolls at all.
        drag = run.fields("dragselect ") or {}
        pressed, held = (tuple(int(v) for v in drag.get(k, "0,0,0").split(",")) for k in ("pressed", "held"))
        self.assertGreater(held[1], pressed[1], run.first("dragselect "))
        self.assertGreater(held[2], pressed[2], run.first("dragselect "))
        self.assertEqual(section(ini(run), "17")["OverZoom"], "5")

    def test_timers_of_the_field_own_ids_run_on_through_the_balloon(self):
        # A system control keeps timers of its own on its window, with ids
        # nobody documents, and SetTimer replaces a timer of the same id. The
        # host stands in for such a control: timers 1 and 2 on the field.
        run = self.host(do=(
            "channel 17; start; frames 1; setup; pump 100; fieldtimer 1 100; fieldtimer 2 100; "
            "clear 5105; key 5105 enter; pump 300; dump; key 5105 escape; dump; fieldticks; "
            "pump 600; fieldticks; done"))
        shown, hidden = dumps(run)
        self.assertEqual((shown["balloon"], hidden["balloon"]), ("1", "0"))
        ticks = [line for line in run.lines if line.startswith("fieldticks ")]
        self.assertEqual(len(ticks), 2, run.stdout)
        after = dict(part.split("=", 1) for part in ticks[1].split()[1:])
        # Still firing once the balloon came and went: neither was replaced
        # by one of the balloon's, nor killed with it.
        self.assertGreater(int(after.get("1", "0")), 0, run.stdout)
        self.assertGreater(int(after.get("2", "0")), 0, run.stdout)


class ChannelsAndMetrics(HostTest):
    def test_a_channel_switch_shows_the_new_channel(self):
        run = self.host("--keep", "all", do=(
            "channel 17; start; frames 30; setup; pump 100; type 5105 7; key 5105 enter; "
            "channel 18 Second; frames 1; pump 100; dump; "
            "channel 17; frames 1; pump 100; dump; "
            # Cancel undoes the change; the channel first seen meanwhile stays.
            "click 5003; done"))
        second, first = dumps(run)
        self.assertEqual((text(second["name_hex"]), second["onoff"], second["edit"]), ("Second", "1", "3"))
        self.assertEqual((text(first["name_hex"]), first["edit"]), ("Channel 17", "7"))
        written = ini(run)
        self.assertEqual(section(written, "17")["OverZoom"], "3")
        self.assertEqual(section(written, "18")["OverZoom"], "3")

    def test_metrics_box_draws_the_graph_until_the_dialog_closes(self):
        run = self.host("--pattern", "flat:100", do=(
            "start; frames 30; setup; pump 100; click 5051; dump; frames 1; dumpframe graph.raw; "
            "click 5002; frames 1; dumpframe plain.raw; "
            "setup; pump 100; dump; close; done"))
        ticked, reopened = dumps(run)
        self.assertEqual(ticked["metrics"], "1")
        with open(run.path("graph.raw"), "rb") as f:
            graph = f.read()
        # A flat frame measures 0 below its painted top rows: a white line in
        # column 0 down to the end of the top third of the 576 rows, and
        # nothing beside or below it.
        self.assertEqual([luma(graph, 720, 0, y) for y in range(8, 192)], [255] * 184)
        self.assertEqual(luma(graph, 720, 0, 192), 100)
        self.assertEqual(luma(graph, 720, 1, 100), 100)
        with open(run.path("plain.raw"), "rb") as f:
            self.assertEqual(luma(f.read(), 720, 0, 100), 100)
        self.assertEqual(reopened["metrics"], "0")


class Placement(HostTest):
    def write_position(self, x, y):
        os.makedirs(os.path.join(self.folder, "Plugins"), exist_ok=True)
        with open(os.path.join(self.folder, "Plugins", "ZEK_DideZede.ini"), "wb") as f:
            f.write(b"[DIALOG]\r\nDlgWndPosX=%d\r\nDlgWndPosY=%d\r\n" % (x, y))

    def assert_centred(self, state, host_rect):
        r = rect(state["rect"])
        self.assertLessEqual(abs((r[0] + r[2]) // 2 - (host_rect[0] + host_rect[2]) // 2), 1, state)
        self.assertLessEqual(abs((r[1] + r[3]) // 2 - (host_rect[1] + host_rect[3]) // 2), 1, state)

    def test_position_is_stored_at_closing_and_used_at_the_next_opening(self):
        run = self.host(do=(
            "start; frames 1; setup; pump 100; dump; move 40 50; close; "
            "setup; pump 100; dump; click 5002; done"))
        first, second = dumps(run)
        self.assert_centred(first, HOST_RECT)
        self.assertEqual(rect(second["rect"])[:2], (40, 50))
        self.assertEqual(section(ini(run), "DIALOG"), {"DlgWndPosX": "40", "DlgWndPosY": "50"})

    def test_a_left_edge_at_the_screen_width_centres(self):
        self.write_position(1280, 10)
        first = dumps(self.host(do="setup; pump 100; dump; done"))[0]
        self.assertEqual(first["screen"], "1280,1024")
        self.assert_centred(first, HOST_RECT)

    def test_a_saved_point_left_of_the_screen_is_used_unchanged(self):
        self.write_position(-100, 40)
        first = dumps(self.host(do="setup; pump 100; dump; done"))[0]
        self.assertEqual(rect(first["rect"])[:2], (-100, 40))

    def test_a_saved_point_on_no_monitor_centres_and_done_stores_where_it_was_left(self):
        # Saved on a monitor that is gone: the dialog would open out of sight.
        self.write_position(-5000, -5000)
        run = self.host(do="setup; pump 100; dump; move 60 70; dump; done")
        opened, moved = dumps(run)
        self.assertEqual(opened["visible"], "1")
        self.assert_centred(opened, HOST_RECT)
        self.assertEqual(rect(moved["rect"])[:2], (60, 70))
        self.assertEqual(section(ini(run), "DIALOG"), {"DlgWndPosX": "60", "DlgWndPosY": "70"})

    def test_centring_ends_at_the_right_and_bottom_edges(self):
        run = self.host(do="hostmove 1100 950 400 300; setup; pump 100; dump; done")
        r = rect(dumps(run)[0]["rect"])
        self.assertEqual((r[2], r[3]), (1280, 1024))

    def test_centring_never_starts_left_of_or_above_the_screen(self):
        run = self.host(do="hostmove -400 -300 300 200; setup; pump 100; dump; done")
        self.assertEqual(rect(dumps(run)[0]["rect"])[:2], (0, 0))


class Languages(HostTest):
    def test_russian_host_gives_the_russian_dialog_and_an_english_about_box(self):
        run = self.host("--language", "1049", env={"LANG": "ru_RU.UTF-8"}, do=(
            "setup; pump 100; dump; clear 5105; key 5105 enter; dump; key 5105 escape; about; close; done"))
        opened, refused = dumps(run)
        self.assertEqual(text(opened["caption_hex"]), "ZEK_DideZede плагин")
        self.assertEqual(text(opened["ok_hex"]), "ОК")
        self.assertEqual(text(refused["balloon_text_hex"]), "Значение должно быть числом от 0 до 9.")
        about = run.fields("about open=1")
        texts = [text(t) for t in about["texts"].split(",") if t]
        self.assertIn("OK", texts)
        self.assertIn("ZEK_DideZede plugin", texts)
        self.assertIn("Ver.1.10", texts)
        # Modal: the settings dialog waits while the box is up.
        self.assertEqual(about["settings_enabled"], "0")
        self.assertIn("about closed=1", run.lines)


if __name__ == "__main__":
    unittest.main()
