#!/usr/bin/env python3
"""Reads a PE file's header and import table: prints the machine, subsystem,
the DLL characteristics, the operating-system and subsystem versions it asks for, and DLL!function
for every import (ordinals as DLL!#N). read_pe() also gives the section
names, the number of COFF symbols and the debug link.

  tools/pe-imports.py FILE
"""
import struct
import sys


def read_pe(path):
    data = open(path, 'rb').read()
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    if data[pe:pe + 4] != b'PE\0\0':
        raise ValueError(path + ': not a PE file')
    machine, sections, _, symbol_table, symbols, optional_size, _ = struct.unpack_from('<HHIIIHH', data, pe + 4)
    opt = pe + 24
    magic = struct.unpack_from('<H', data, opt)[0]
    wide = magic == 0x20B   # PE32+
    os_major, os_minor, _, _, sub_major, sub_minor = struct.unpack_from('<6H', data, opt + 40)
    subsystem, characteristics = struct.unpack_from('<HH', data, opt + 68)
    directories = opt + (112 if wide else 96)
    import_rva = struct.unpack_from('<I', data, directories + 8)[0]
    table = opt + optional_size
    section_list = [struct.unpack_from('<8sIIII', data, table + 40 * i) for i in range(sections)]

    def offset(rva):
        for _, vsize, vaddr, rawsize, rawptr in section_list:
            if vaddr <= rva < vaddr + max(vsize, rawsize):
                return rva - vaddr + rawptr
        raise ValueError('address %#x outside every section' % rva)

    def text(rva):
        at = offset(rva)
        return data[at:data.index(b'\0', at)].decode('ascii')

    def section_name(raw):  # "/N": the name is at N in the string table after the symbols
        name = raw.rstrip(b'\0').decode('latin-1')
        if name.startswith('/') and name[1:].isdigit() and symbol_table:
            at = symbol_table + 18 * symbols + int(name[1:])
            name = data[at:data.index(b'\0', at)].decode('latin-1')
        return name

    debuglink = None  # (file name, CRC-32) of a separate debug file the program names
    for raw, _, _, rawsize, rawptr in section_list:
        if section_name(raw) == '.gnu_debuglink':
            link = data[rawptr:rawptr + rawsize]
            name = link[:link.index(b'\0')]
            crc_at = (len(name) + 4) & ~3
            debuglink = (name.decode('latin-1'), struct.unpack_from('<I', link, crc_at)[0])

    imports = []
    at = offset(import_rva) if import_rva else None
    while at is not None:
        lookup, _, _, name, first = struct.unpack_from('<5I', data, at)
        if name == 0:
            break
        dll = text(name)
        thunk = offset(lookup or first)
        size, flag = (8, 1 << 63) if wide else (4, 1 << 31)
        while True:
            value = struct.unpack_from('<Q' if wide else '<I', data, thunk)[0]
            if value == 0:
                break
            imports.append((dll, '#%d' % (value & 0xFFFF) if value & flag else text((value & 0x7FFFFFFF) + 2)))
            thunk += size
        at += 20
    return {'machine': machine, 'subsystem': subsystem, 'dll_characteristics': characteristics,
            'os': (os_major, os_minor),
            'subsystem_version': (sub_major, sub_minor), 'imports': imports,
            'sections': [section_name(raw) for raw, *_ in section_list],
            'symbols': symbols, 'size': len(data), 'debuglink': debuglink}


if __name__ == '__main__':
    info = read_pe(sys.argv[1])
    print('machine %#x, subsystem %d, DLL characteristics %#x, OS version %d.%d, subsystem version %d.%d' % (
        info['machine'], info['subsystem'], info['dll_characteristics'], *info['os'], *info['subsystem_version']))
    for dll, name in sorted(info['imports'], key=lambda i: (i[0].lower(), i[1])):
        print('%s!%s' % (dll, name))
