#!/usr/bin/env python3
"""Checks that a build of uninstall.exe loads on the oldest Windows it is for:
every DLL it imports from has a list of that Windows' exports here, every
function it imports is on that list and imported by name, it is a GUI
program marked Terminal-Server-aware, and the operating-system and subsystem versions in its header are
no newer than that Windows. Also that it is shipped as it should be: without
symbols or debug sections, with a debug link to its debug file (which, when
it lies beside it, must be that program's), and at most 256 KiB.

  check_imports.py PROGRAM

The x86 program is for Windows 98, 98 SE and Me and NT 4.0 SP6 (lists in
win98-nt4/); the x64 program for Windows XP x64 and Server 2003 x64, which
export all of those too (lists in win98-nt4/ and xp-x64/). A list names its
source in its first lines; a name may end in ":x86" or ":x64" when only that
architecture exports it. Prints every fault and exits with 1 when there is one.
"""
import os
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', '..', 'tools'))
pe_imports = __import__('pe-imports')

FLOORS = {
    0x14C: ('x86', ['win98-nt4'], (4, 0)),
    0x8664: ('x64', ['win98-nt4', 'xp-x64'], (5, 2)),
}
GUI_SUBSYSTEM = 2
TERMINAL_SERVER_AWARE = 0x8000
# Copied into every installation: shipped stripped, its debug information in
# a file of its own, and small.
MAX_SIZE = 256 * 1024


def exports(arch, folders):
    """{dll (lower case): set of names} from the lists of `folders`."""
    lists = {}
    for folder in folders:
        for file in sorted(os.listdir(os.path.join(HERE, folder))):
            if not file.endswith('.txt'):
                continue
            names = lists.setdefault(file[:-4] + '.dll', set())
            for line in open(os.path.join(HERE, folder, file)):
                if line.startswith('#'):
                    continue
                for token in line.split():
                    name, _, only = token.partition(':')
                    if only in ('', arch):
                        names.add(name)
    return lists


def faults(path):
    info = pe_imports.read_pe(path)
    if info['machine'] not in FLOORS:
        return ['%s: machine %#x is neither x86 nor x64' % (path, info['machine'])]
    arch, folders, version = FLOORS[info['machine']]
    found = []
    if info['subsystem'] != GUI_SUBSYSTEM:
        found.append('subsystem %d, not the Windows GUI (2)' % info['subsystem'])
    if not info['dll_characteristics'] & TERMINAL_SERVER_AWARE:
        found.append('not Terminal-Server-aware: on a Remote Desktop host the Windows folder would be per user')
    for field in ('os', 'subsystem_version'):
        if info[field] > version:
            found.append('%s %d.%d is newer than %d.%d' % (field.replace('_', ' '), *info[field], *version))
    if info['symbols']:
        found.append('not stripped: %d COFF symbols' % info['symbols'])
    for name in info['sections']:
        if name.startswith(('.debug', '.zdebug')):
            found.append('debug section %s: belongs in the separate debug file' % name)
    if info['debuglink'] is None:
        found.append('no debug link: a debugger cannot find its debug information')
    else:
        debug_file = os.path.join(os.path.dirname(path), info['debuglink'][0])
        if os.path.exists(debug_file) and zlib.crc32(open(debug_file, 'rb').read()) != info['debuglink'][1]:
            found.append('%s beside it is not its debug file (CRC-32 differs)' % info['debuglink'][0])
    if info['size'] > MAX_SIZE:
        found.append('%d bytes, more than %d' % (info['size'], MAX_SIZE))
    lists = exports(arch, folders)
    unlisted = set()
    for dll, name in info['imports']:
        names = lists.get(dll.lower())
        if names is None:
            if dll.lower() not in unlisted:
                found.append('%s: no list of its exports on the oldest Windows' % dll)
            unlisted.add(dll.lower())
        elif name.startswith('#'):
            found.append('%s!%s: imported by ordinal' % (dll, name))
        elif name not in names:
            found.append('%s!%s: not exported by the oldest Windows for %s' % (dll, name, arch))
    return found


if __name__ == '__main__':
    problems = faults(sys.argv[1])
    for problem in problems:
        print(problem)
    print('%s: %s' % (sys.argv[1], '%d fault(s)' % len(problems) if problems else 'loads on its oldest Windows'))
    sys.exit(1 if problems else 0)
