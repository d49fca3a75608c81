"""A host whose threads wait for each other, whose window is slow, or which
loads and unloads the plug-in from other threads: the viewer never freezes
and never crashes because of the plug-in."""
import os
import unittest

from harness import HostTest
from test_dialog import section

# How long the plug-in waits for a window thread's answer, and what a
# loaded machine under the emulator may add to a Process call around it.
ANSWER_WAIT_MS = 500
MARGIN_MS = 1500
# A hang would never end: fail within a minute instead.
HANG = 60


def fields(line):
    return dict(part.split("=", 1) for part in line.split() if "=" in part)


def zoom_values_after(run, prefix):
    """Zoom values the window handled after the first line starting with prefix."""
    start = next(i for i, line in enumerate(run.lines) if line.startswith(prefix))
    return [int(fields(line)["value"]) for line in run.lines[start:] if line.startswith("zoom ")]


class ZoomWhileTheWindowWaits(HostTest):
    def test_a_window_thread_waiting_for_the_video_thread_gets_the_zoom_afterwards(self):
        run = self.host(do="video block channel 17, start, frames 26; pump 200; stop; done", timeout=HANG)
        video = run.fields("video ")
        self.assertEqual(video["frames"], "26", run.stdout)
        self.assertLess(int(video["longest_process_ms"]), ANSWER_WAIT_MS + MARGIN_MS, run.stdout)
        # Not handled while Process waited, but once the window thread
        # handled messages again, with the value the plug-in decided.
        self.assertEqual(video["zooms_in_process"], "0", run.stdout)
        self.assertEqual(zoom_values_after(run, "video "), [15], run.stdout)

    def test_a_queued_zoom_is_never_overtaken_by_a_later_one(self):
        # Channel 18 zooms 4 points more. The first zoom finds the window
        # thread handling nothing; the second finds it handling only sent
        # messages, which is when a posted copy of the first would land last.
        os.makedirs(os.path.join(self.folder, "Plugins"))
        with open(os.path.join(self.folder, "Plugins", "ZEK_DideZede.ini"), "wb") as f:
            f.write(b"[17]\r\nProcEnable=1\r\nOverZoom=3\r\n[18]\r\nProcEnable=1\r\nOverZoom=7\r\n")
        run = self.host(do="video block-sent channel 17, start, frames 26, phase, channel 18, frames 25; "
                           "pump 200; stop; done", timeout=HANG)
        values = [value for _, _, value in run.zooms()]
        # Windows may still deliver a timed-out command its window thread had
        # already taken, so a value may come twice; never out of order.
        in_order = [v for i, v in enumerate(values) if i == 0 or values[i - 1] != v]
        self.assertEqual(in_order, [15, 19], run.stdout)

    def test_a_slow_but_answering_window_has_zoomed_before_process_returns(self):
        run = self.host("--zoom-delay", "200", do="video pump channel 17, start, frames 26; stop; done",
                        timeout=HANG)
        video = run.fields("video ")
        self.assertEqual((video["zooms_in_process"], video["zooms_after"]), ("1", "0"), run.stdout)
        self.assertGreaterEqual(int(video["longest_process_ms"]), 200, run.stdout)
        self.assertEqual([z[2] for z in run.zooms()], [15])


class LoadAndUnloadOnOtherThreads(HostTest):
    def test_a_worker_loading_the_module_while_the_window_thread_waits(self):
        # The window thread would answer Russian, but it waits for the
        # worker: no answer, so the system's language (English here) rules.
        run = self.host("--load-on-worker", "--language", "1049", env={"LANG": "C.UTF-8"}, do="done",
                        timeout=HANG)
        self.assertEqual(run.first("version"), "version 3")
        self.assertEqual(run.first("name: "), "name: Auto zoom", run.stdout)
        # Two queries on the way (load and descriptor), each bounded.
        self.assertLess(int(run.fields("worker-load")["waited_ms"]), 2 * ANSWER_WAIT_MS + 2 * MARGIN_MS,
                        run.stdout)

    def check_closed_and_saved(self, wait):
        run = self.host("--keep", "all", timeout=HANG, do=(
            f"channel 17; start; frames 1; setup; pump 100; move 60 70; donethread {wait}; "
            "unload; pump 300; dump"))
        # Gone from the screen, and the host lives on handling messages after
        # the module went: the summary comes only after the last pump.
        self.assertIn("dialog open=0 count=0", run.stdout, run.stdout)
        # Nothing of the module was left on the window thread's stack, so
        # nothing kept it: it really went.
        self.assertEqual(run.fields("unloaded"), {"mapped": "0"}, run.stdout)
        with open(run.path("Plugins", "ZEK_DideZede.ini"), "rb") as f:
            self.assertEqual(section(f.read().decode("ascii"), "DIALOG"),
                             {"DlgWndPosX": "60", "DlgWndPosY": "70"}, run.stdout)
        return run

    def test_done_on_another_thread_closes_the_dialog_on_its_own_thread(self):
        self.check_closed_and_saved("pump")

    def test_done_on_another_thread_while_the_dialog_thread_handles_nothing(self):
        run = self.check_closed_and_saved("block")
        self.assertLess(int(run.fields("donethread")["waited_ms"]), ANSWER_WAIT_MS + MARGIN_MS, run.stdout)


class DoneWhileTheWindowThreadIsInsideTheDialog(HostTest):
    """The window thread is inside one of the dialog's handlers, held there
    by a hook of the host's, when Done comes and the host unloads the module:
    the thread then returns into the module, which must still be there, and
    finds its window closed the way Done closes it."""

    def held(self, where, mode, before=""):
        run = self.host("--keep", "all", timeout=HANG, do=(
            f"channel 17; start; frames 1; setup; pump 100; move 60 70; {before}hold {where} {mode}; "
            # A channel switch has the dialog refresh itself; the pump hands
            # out the balloon's timers.
            "channel 18; frames 1; pump 300; dump"))
        held = run.fields("held ")
        self.assertIsNotNone(held, "the hold never fired\n" + run.stdout)
        self.assertIn("dialog open=0 count=0", run.stdout, run.stdout)
        with open(run.path("Plugins", "ZEK_DideZede.ini"), "rb") as f:
            self.assertEqual(section(f.read().decode("ascii"), "DIALOG"),
                             {"DlgWndPosX": "60", "DlgWndPosY": "70"}, run.stdout)
        return run, held

    def test_inside_a_handler_the_module_stays_for_the_thread_to_return_into(self):
        # block: the thread answers nothing, so Done's thread finds it inside
        # the handler; sent: it closes the window from inside the handler;
        # here: Done runs on it, from inside the handler.
        for mode in ("block", "sent", "here"):
            with self.subTest(mode=mode):
                run, held = self.held("refresh", mode)
                self.assertEqual(held["target"], "control5145", run.stdout)
                self.assertEqual(run.fields("unloaded"), {"mapped": "1"}, run.stdout)
                if mode == "block":
                    self.assertLess(int(held["waited_ms"]), ANSWER_WAIT_MS + MARGIN_MS, run.stdout)

    def test_a_balloon_timer_taken_before_the_hand_over_never_reaches_the_field(self):
        # The field's balloon is up, so its timers run; the window thread
        # has taken one from its queue when Done hands the window over, and
        # dispatches it afterwards, when the field has its own procedure
        # back. Outside any handler, so the module goes.
        run, held = self.held("timer", "block", before="clear 5105; key 5105 enter; ")
        # The dialog's, whose procedure is the system's default after the
        # hand-over: a stray timer goes by there. The field's own procedure
        # would take it for one of the edit's.
        self.assertEqual(held["target"], "dialog", run.stdout)
        self.assertEqual(run.fields("unloaded"), {"mapped": "0"}, run.stdout)


if __name__ == "__main__":
    unittest.main()
