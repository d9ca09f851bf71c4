"""What the shell tests do on the bench as a person would: start Orvane, look at the tray
and its tooltip, open the tray menu, read the time view's title (Play, Pause, Stop)."""

import os
import re
import subprocess
import time
from pathlib import Path

from fixtures import noise_wav, pcm
from winebench import FRAME, find_pcm, wait_for, windows_path

BUILD = Path(os.environ["ORVANE_BUILD"])
ORVANE = BUILD / "dist" / "Orvane.exe"
REMOTE = BUILD / "tools" / "shell_remote.exe"
FIXTURES = BUILD / "fixtures" / "shell"
SETTINGS_KEY = r"HKCU\Software\Kellbrook\Orvane\Settings"
ID_APP_EXIT = 57665

# The notification area of the bench's 1024x768 desktop: our icon is the only one, at the
# right end of the taskbar, which takes the bottom 20 pixels.
TRAY_ICON = (1013, 757)
TRAY_ICON_BOX = "12x12+1007+751"  # inside the disc, edge pixels left out
# The tray menu opens with its bottom-right corner at the pointer: this is inside it.
IN_TRAY_MENU = (TRAY_ICON[0] - 40, TRAY_ICON[1] - 10)
# Inside the time view at its first-start place, the bottom-right corner of the work area.
IN_TIME_VIEW = (900, 715)
ABOVE_TASKBAR = "1024x748+0+0"


def noise(name, seconds):
    return noise_wav(FIXTURES / name, seconds, gain_db=-9)


def plays(recorded, path):
    """Whether the file's sound is in the recording, sample for sample."""
    return find_pcm(recorded, pcm(path), FRAME)


def reg(bench, *args):
    return bench.run("reg", list(args), timeout=30)


def reset_settings(bench, app_config=None):
    """A first start: no stored settings; app_config presets the application flags."""
    reg(bench, "delete", r"HKCU\Software\Kellbrook", "/f")
    if app_config is not None:
        reg(bench, "add", SETTINGS_KEY, "/v", "AppConfig", "/t", "REG_DWORD", "/d", str(app_config), "/f")


def stored_values(bench):
    """Value name -> data text of the settings key."""
    out = reg(bench, "query", SETTINGS_KEY).stdout
    return dict(re.findall(r"^[ \t]+(\w+)[ \t]+REG_\w+[ \t]*(.*?)[ \t\r]*$", out, re.M))


def remote(bench, *args):
    return bench.run(REMOTE, [str(a) for a in args], timeout=60)


def exit_orvane(bench, program):
    remote(bench, "command", ID_APP_EXIT)
    return program.wait(30)


def visible_titles(bench):
    ids = bench.xdotool("search", "--onlyvisible", "--name", ".", check=False).split()
    return [bench.xdotool("getwindowname", w, check=False) for w in ids]


def answer_message(bench, program, caption, screenshot):
    """A message box with this caption shows (kept as screenshot); Return closes it, and the
    program goes on, stopped."""
    wait_for(caption, lambda: caption in visible_titles(bench))
    bench.screenshot(screenshot)
    bench.xdotool("key", "Return")
    wait_for("the time view", lambda: "Stop" in visible_titles(bench))
    assert program.running, "the program ended after the message"


def wait_time_view(bench, state, timeout=20):
    """The time view's title follows the play state."""
    return wait_for(f"time view showing {state}", lambda: state in visible_titles(bench), timeout)


def pixel(image, geometry):
    """Average colour of a region of an image, as (r, g, b) 0..255."""
    out = subprocess.run(["convert", image, "-crop", geometry, "+repage", "-scale", "1x1!", "-format",
                          "%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]", "info:"],
                         check=True, capture_output=True, text=True).stdout
    return tuple(int(v) for v in out.split())


def tray_icon_kind(bench, name):
    """Which of our drawn tray icons shows: normal (orange disc), flip (cream disc) or
    blink-off (grey)."""
    r, g, b = pixel(bench.screenshot(name), TRAY_ICON_BOX)
    if max(r, g, b) - min(r, g, b) < 40:
        return "blink-off"
    return "flip" if min(r, g, b) > 150 else "normal"


def hide_play_time(bench):
    """convert arguments that blacken the time view's play time in a difference image: it
    changes by itself while a file plays."""
    out = bench.run(BUILD / "tools" / "time_view_probe.exe", timeout=30).stdout
    for x, y, w, h in re.findall(r"^1000 (-?\d+) (-?\d+) (\d+) (\d+) ", out, re.M):
        x, y, w, h = map(int, (x, y, w, h))
        return ["-fill", "black", "-draw", f"rectangle {x},{y} {x + w},{y + h}"]
    return []


def tooltip_text(bench, name):
    """Hovers over the tray icon and reads the tooltip that appears (what changed on the
    screen above the taskbar) with OCR."""
    bench.xdotool("mousemove", "500", "300")
    time.sleep(0.5)
    before = bench.screenshot(f"{name}-before.png")
    bench.xdotool("mousemove", *map(str, TRAY_ICON))
    time.sleep(2.0)
    after = bench.screenshot(f"{name}.png")
    box = subprocess.run(["convert", before, after, "-crop", ABOVE_TASKBAR, "+repage", "-compose", "difference",
                          "-composite", *hide_play_time(bench), "-threshold", "0", "-trim", "-format", "%wx%h%X%Y",
                          "info:"],
                         capture_output=True, text=True).stdout.strip()
    if not re.fullmatch(r"\d+x\d+\+\d+\+\d+", box) or box.startswith("1x1+"):
        return ""
    crop = bench.artefacts / f"{name}-tip.png"
    subprocess.run(["convert", after, "-crop", box, "+repage", "-scale", "400%", "-colorspace", "Gray", crop],
                   check=True)
    return subprocess.run(["tesseract", crop, "-", "--psm", "7"], capture_output=True, text=True).stdout.strip()


def open_tray_menu(bench):
    bench.xdotool("mousemove", *map(str, TRAY_ICON))
    bench.xdotool("click", "3")
    time.sleep(1.0)


def key_at(bench, point, key):
    """Presses a key with the pointer over one of our windows: without a window manager the
    keyboard goes to the window under the pointer."""
    bench.xdotool("mousemove", *map(str, point))
    time.sleep(0.3)
    bench.xdotool("key", key)


def tray_command(bench, mnemonic):
    """Chooses an item of the tray menu by its underlined letter."""
    open_tray_menu(bench)
    key_at(bench, IN_TRAY_MENU, mnemonic)
    time.sleep(0.5)
