#!/usr/bin/env python3
"""Swaps a real folder and a symbolic link to another folder, as fast as it can.

    exchange_folder.py FOLDER LINK MARK SECONDS

FOLDER is a real folder, LINK a symbolic link on the same file system (to a
folder outside the tree FOLDER is in). Each turn exchanges the two names
atomically (renameat2 with RENAME_EXCHANGE), so that FOLDER is, by turns, the
real folder and the link, with no moment where it is missing; the link stays
in place for one turn in `LINK_TURNS`, the real folder for the others.

MARK.ready is written once the first exchange was made; the loop ends when
MARK.stop appears, after SECONDS seconds, when a name goes (someone removed
the folder or the link), or on SIGTERM/SIGINT. Whatever ended it, the real
folder is put back at FOLDER before the end (an exchange, or a rename where
the link was removed), and MARK.done is written last: "exchanges N" and
"folder real" (or "folder missing" when the real folder itself was removed).
Exit code 0 when the real folder is back or gone, 1 on a fault.
"""
import ctypes
import ctypes.util
import os
import platform
import signal
import sys
import time

AT_FDCWD = -100
RENAME_EXCHANGE = 2
# One turn in this many leaves the link in place: a folder is found real
# most of the time, and the link still comes often enough to be met.
LINK_TURNS = 4
# The stop mark and the clock are read once every this many turns.
CHECK_EVERY = 64

def load_libc():
    # find_library runs other programs and can take seconds: the usual name first.
    try:
        return ctypes.CDLL("libc.so.6", use_errno=True)
    except OSError:
        return ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)


libc = load_libc()


def exchanger():
    """The exchange call: glibc's renameat2, else the raw system call."""
    if hasattr(libc, "renameat2"):
        call = libc.renameat2
        call.argtypes = [ctypes.c_int, ctypes.c_char_p, ctypes.c_int, ctypes.c_char_p, ctypes.c_uint]
        return lambda a, b: call(AT_FDCWD, a, AT_FDCWD, b, RENAME_EXCHANGE)
    numbers = {"x86_64": 316, "aarch64": 276, "i686": 353, "i386": 353}
    number = numbers[platform.machine()]
    syscall = libc.syscall
    return lambda a, b: syscall(number, AT_FDCWD, a, AT_FDCWD, b, RENAME_EXCHANGE)


def write_mark(path, text):
    """Written whole under another name first: a reader never sees a part."""
    with open(path + ".part", "w") as f:
        f.write(text)
    os.rename(path + ".part", path)


class Stopped(Exception):
    pass


def stop(signum, frame):
    raise Stopped()


def main(argv):
    if len(argv) != 5:
        print(__doc__, file=sys.stderr)
        return 2
    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    folder, link, mark, seconds = argv[1], argv[2], argv[3], float(argv[4])
    if not os.path.isdir(folder) or os.path.islink(folder) or not os.path.islink(link):
        print("exchange_folder: %s must be a real folder and %s a link" % (folder, link), file=sys.stderr)
        return 2
    exchange = exchanger()
    a, b = os.fsencode(folder), os.fsencode(link)
    stop_mark = mark + ".stop"
    exchanges = 0
    linked = False   # the link is at FOLDER
    try:
        end = time.monotonic() + seconds
        turn = 0
        while True:
            want = turn % LINK_TURNS == 0
            if want != linked:
                if exchange(a, b) != 0:
                    break   # a name went: nothing left to exchange
                linked = want
                exchanges += 1
                if exchanges == 1:
                    write_mark(mark + ".ready", "")
            turn += 1
            if turn % CHECK_EVERY == 0 and (os.path.exists(stop_mark) or time.monotonic() > end):
                break
    except Stopped:
        pass
    finally:
        # The real folder back at FOLDER, whatever happened to the names.
        if os.path.islink(folder) and os.path.lexists(link) and not os.path.islink(link):
            exchange(a, b)
            exchanges += 1
        elif not os.path.lexists(folder) and os.path.isdir(link) and not os.path.islink(link):
            os.rename(link, folder)   # the link was removed while in place
        real = os.path.isdir(folder) and not os.path.islink(folder)
        state = "real" if real else "missing" if not os.path.lexists(folder) else "link"
        write_mark(mark + ".done", "exchanges %d\nfolder %s\n" % (exchanges, state))
    return 0 if state != "link" else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
