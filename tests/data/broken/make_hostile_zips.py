#!/usr/bin/env python3
"""Writes hostile table archives into OUTDIR, each holding (or claiming) a table member:
members named as paths or in another case, two members, and deflate bombs that inflate to
gigabytes, one declaring its size and one lying about it. The archives are put together byte by
byte, so nothing here depends on what a ZIP library would refuse to write.

usage: make_hostile_zips.py OUTDIR MEMBERFILE ABSNAME
  MEMBERFILE  the bytes of a valid table member (GBK text)
  ABSNAME     an absolute member name (a path in the test's own folder)
"""
import os
import struct
import sys
import zlib


def local_header(name, crc, csize, usize, method):
    return struct.pack('<IHHHHHIIIHH', 0x04034B50, 20, 0, method, 0, 0x21, crc, csize, usize, len(name), 0) + name


def central_header(name, crc, csize, usize, method, offset):
    return struct.pack('<IHHHHHHIIIHHHHHII', 0x02014B50, 20, 20, 0, method, 0, 0x21, crc, csize, usize,
                       len(name), 0, 0, 0, 0, 0, offset) + name


def archive(members):
    """members: (name bytes, data bytes, crc, declared size, method)"""
    body = b''
    central = b''
    for name, data, crc, usize, method in members:
        offset = len(body)
        body += local_header(name, crc, len(data), usize, method) + data
        central += central_header(name, crc, len(data), usize, method, offset)
    end = struct.pack('<IHHHHIIH', 0x06054B50, 0, 0, len(members), len(members), len(central), len(body), 0)
    return body + central + end


def deflated(data):
    c = zlib.compressobj(6, zlib.DEFLATED, -15)
    return c.compress(data) + c.flush()


def zero_bomb(mib):
    """A raw deflate stream of `mib` MiB of zeros and its CRC: one compressed MiB repeated, each
    piece ending in a full flush so that every piece is the same bytes."""
    chunk = bytes(1 << 20)
    piece_c = zlib.compressobj(9, zlib.DEFLATED, -15)
    piece = piece_c.compress(chunk) + piece_c.flush(zlib.Z_FULL_FLUSH)
    crc = 0
    for _ in range(mib):
        crc = zlib.crc32(chunk, crc)
    return piece * mib + b'\x03\x00', crc


def main():
    out, member_file, abs_name = sys.argv[1], sys.argv[2], sys.argv[3]
    with open(member_file, 'rb') as f:
        member = f.read()
    crc = zlib.crc32(member)
    packed = deflated(member)

    def one(name):
        return archive([(name, packed, crc, len(member), 8)])

    files = {
        'parent-path.gdt': one(b'../data.file'),
        'absolute-path.gdt': one(abs_name.encode()),
        'sub-folder.gdt': one(b'sub/data.file'),
        'other-case.gdt': one(b'Data.File'),
        'two-members.gdt': archive([(b'data.file', packed, crc, len(member), 8),
                                    (b'notes.txt', b'hello', zlib.crc32(b'hello'), 5, 0)]),
        'same-name-twice.gdt': archive([(b'data.file', packed, crc, len(member), 8),
                                        (b'data.file', b'x', zlib.crc32(b'x'), 1, 0)]),
    }
    bomb, bomb_crc = zero_bomb(3 * 1024)
    files['bomb-declared.gdt'] = archive([(b'data.file', bomb, bomb_crc, 3 << 30, 8)])
    files['bomb-lying.gdt'] = archive([(b'data.file', bomb, crc, len(member), 8)])
    for name, data in files.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
