#!/usr/bin/env python3
"""Writes hostile .xlsx workbooks (and one .xls) into OUTDIR, put together byte by byte with the
archive helpers of make_hostile_zips.py: a DTD with nested entities, an undeclared entity, cell
references and merged areas past the table's 32,766 rows or columns, a shared string that does not
exist, sheet members inflating past 256 MiB that declare a small size (spaces; comments), a missing sheet member and
a compound document of garbage. Besides, .xls workbooks (BIFF8 in a compound document) put
together the same way: sound ones (the workbook stream in sectors of its own, in the mini stream,
in sectors of 4096 bytes, with a FAT listed partly in a DIFAT sector) and, from the first, a loop in the sector chain, a sector index past the file, a stream
longer than the file, a shared string longer than its record and an encrypted workbook.

usage: make_hostile_workbooks.py OUTDIR"""
import os
import random
import struct
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_hostile_zips import archive, deflated  # noqa: E402

NS = b'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
RNS = b'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
WORKBOOK = (b'<?xml version="1.0"?><workbook ' + NS + b' ' + RNS +
            b'><sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>')
RELS = (b'<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        b'<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
        b'worksheet" Target="worksheets/sheet1.xml"/>'
        b'<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
        b'sharedStrings" Target="sharedStrings.xml"/></Relationships>')


def member(name, data, declared=None):
    packed = deflated(data)
    return (name, packed, zlib.crc32(data), len(data) if declared is None else declared, 8)


def workbook(sheet, strings=b'<sst ' + NS + b'><si><t>a</t></si></sst>', extra=()):
    members = [member(b'xl/workbook.xml', WORKBOOK), member(b'xl/_rels/workbook.xml.rels', RELS),
               member(b'xl/sharedStrings.xml', strings)]
    if sheet is not None:
        members.append(member(b'xl/worksheets/sheet1.xml', sheet))
    return archive(members + list(extra))


def sheet_of(cells):
    return b'<worksheet ' + NS + b'><sheetData><row r="1">' + cells + b'</row></sheetData></worksheet>'


def space_bomb(mib, chunk=b' ' * (1 << 20)):
    """`mib` MiB of spaces (or of `chunk`s) inside a sheet's cell data, as one raw deflate stream,
    and its CRC."""
    head = b'<worksheet ' + NS + b'><sheetData>'
    c = zlib.compressobj(9, zlib.DEFLATED, -15)
    first = c.compress(head) + c.flush(zlib.Z_FULL_FLUSH)
    piece_c = zlib.compressobj(9, zlib.DEFLATED, -15)
    piece = piece_c.compress(chunk) + piece_c.flush(zlib.Z_FULL_FLUSH)
    crc = zlib.crc32(head)
    for _ in range(mib):
        crc = zlib.crc32(chunk, crc)
    return first + piece * mib + b'\x03\x00', crc


def biff_record(kind, data=b''):
    return struct.pack('<HH', kind, len(data)) + data


def biff_workbook(sst_chars=None, encrypted=False):
    """A BIFF8 workbook stream: the globals (a FILEPASS when `encrypted`, one sheet, a shared-strings
    table of 张三 and a text whose length claims `sst_chars` characters) and a worksheet holding
    both strings and the number 85."""
    def bof(kind):
        return biff_record(0x0809, struct.pack('<HHHHII', 0x0600, kind, 0x0DBB, 0x07CC, 0, 6))

    name = 'S'.encode('latin-1')
    strings = struct.pack('<HB', 2, 1) + '张三'.encode('utf-16-le')
    strings += struct.pack('<HB', 3 if sst_chars is None else sst_chars, 0) + b'abc'
    sst = biff_record(0x00FC, struct.pack('<II', 2, 2) + strings)
    filepass = biff_record(0x002F, struct.pack('<HHH', 1, 1, 1) + bytes(48)) if encrypted else b''
    sheet_entry_size = 4 + 8 + len(name)
    head = bof(0x0005) + filepass + biff_record(0x0022, struct.pack('<H', 0))
    offset = len(head) + sheet_entry_size + len(sst) + 4
    globals_ = head + biff_record(0x0085, struct.pack('<IBBBB', offset, 0, 0, len(name), 0) + name) + sst
    globals_ += biff_record(0x000A)
    sheet = (bof(0x0010) + biff_record(0x00FD, struct.pack('<HHHI', 0, 0, 15, 0)) +
             biff_record(0x00FD, struct.pack('<HHHI', 0, 1, 15, 1)) +
             biff_record(0x0203, struct.pack('<HHHd', 0, 2, 15, 85.0)) + biff_record(0x000A))
    return globals_ + sheet


END, FREE, FATSECT, DIFSECT = 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFFFD, 0xFFFFFFFC


def compound(stream, mini=False, next_of=None, size=None, shift=9, fat_sectors=1):
    """A compound document of 2**`shift`-byte sectors holding `stream` as "Workbook": in sectors of
    its own (padded to the 4096 bytes below which a stream lies in the mini stream), or in the mini
    stream. A FAT of more than 109 sectors lists the rest in a DIFAT sector. `next_of` changes the
    chain's successors of the stream's sectors (counted from its first), `size` the size the
    directory claims."""
    sector = 1 << shift
    per = sector // 4
    if not mini:
        stream += bytes(max(0, 4096 - len(stream)))
    data = stream
    if mini:
        mini_sectors = (len(stream) + 63) // 64
        data = stream.ljust(mini_sectors * 64, b'\0')
    # The FAT's sectors first, then the DIFAT's, the directory, the mini FAT (when `mini`), the data.
    difat_sectors = 1 if fat_sectors > 109 else 0
    directory_at = fat_sectors + difat_sectors
    first = directory_at + (2 if mini else 1)
    count = (len(data) + sector - 1) // sector
    fat = ([FATSECT] * fat_sectors + [DIFSECT] * difat_sectors + [END] + ([END] if mini else []) +
           [first + i + 1 for i in range(count - 1)] + [END])
    if not mini:
        for i, n in (next_of or {}).items():
            fat[first + i] = n
    fat += [FREE] * (fat_sectors * per - len(fat))

    def entry(name, kind, child, start, length):
        encoded = name.encode('utf-16-le') + b'\0\0'
        return (encoded.ljust(64, b'\0') + struct.pack('<HBBIII', len(encoded), kind, 1, FREE, FREE, child) +
                bytes(16 + 4 + 16) + struct.pack('<IQ', start, length))

    declared = len(stream) if size is None else size
    if mini:
        root = entry('Root Entry', 5, 1, first, len(data))
        workbook = entry('Workbook', 2, FREE, 0, declared)
    else:
        root = entry('Root Entry', 5, 1, END, 0)
        workbook = entry('Workbook', 2, FREE, first, declared)
    listed = list(range(min(fat_sectors, 109)))
    header = (b'\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1' + bytes(16) +
              struct.pack('<HHHHH6xIIIIIIIII', 0x3E, 3 if shift == 9 else 4, 0xFFFE, shift, 6,
                          0 if shift == 9 else 1, fat_sectors, directory_at, 0, 4096,
                          directory_at + 1 if mini else END, 1 if mini else 0,
                          fat_sectors if difat_sectors else END, difat_sectors) +
              struct.pack('<109I', *(listed + [FREE] * (109 - len(listed)))))
    body = header.ljust(sector, b'\0') + struct.pack('<%dI' % len(fat), *fat)
    if difat_sectors:
        rest = list(range(109, fat_sectors))
        body += struct.pack('<%dI' % per, *(rest + [FREE] * (per - 1 - len(rest)) + [END]))
    body += (root + workbook).ljust(sector, b'\0')
    if mini:
        mini_fat = [i + 1 for i in range(mini_sectors - 1)] + [END]
        body += struct.pack('<%dI' % per, *(mini_fat + [FREE] * (per - len(mini_fat))))
    return body + data.ljust(count * sector, b'\0')


def main():
    out = sys.argv[1]
    laughs = (b'<?xml version="1.0"?><!DOCTYPE sst [<!ENTITY a "aaaaaaaaaa">'
              b'<!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;"><!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">]>'
              b'<sst ' + NS + b'><si><t>&c;</t></si></sst>')
    files = {
        'dtd.xlsx': workbook(sheet_of(b'<c r="A1" t="s"><v>0</v></c>'), strings=laughs),
        'entity.xlsx': workbook(sheet_of(b'<c r="A1" t="inlineStr"><is><t>&nbsp;</t></is></c>')),
        'row-too-far.xlsx': workbook(sheet_of(b'<c r="A32767"><v>1</v></c>')),
        'column-too-far.xlsx': workbook(sheet_of(b'<c r="AVLG1"><v>1</v></c>')),
        'merge-too-far.xlsx': workbook(b'<worksheet ' + NS + b'><sheetData/><mergeCells>'
                                       b'<mergeCell ref="A1:XFD1048576"/></mergeCells></worksheet>'),
        'string-missing.xlsx': workbook(sheet_of(b'<c r="A1" t="s"><v>7</v></c>')),
        'sheet-missing.xlsx': workbook(None),
    }
    bomb, crc = space_bomb(300)
    files['bomb-lying.xlsx'] = workbook(None, extra=[(b'xl/worksheets/sheet1.xml', bomb, crc, 1000, 8)])
    # Markup all the way, so only the member's size limit stops it.
    comment = b'<!--' + b' ' * ((1 << 20) - 7) + b'-->'
    bomb, crc = space_bomb(300, comment)
    files['bomb-of-comments.xlsx'] = workbook(None, extra=[(b'xl/worksheets/sheet1.xml', bomb, crc, 1000, 8)])
    rng = random.Random(3)
    files['garbage.xls'] = b'\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1' + bytes(rng.randrange(256) for _ in range(8192))
    files['sound.xls'] = compound(biff_workbook())
    files['sound-mini.xls'] = compound(biff_workbook(), mini=True)
    files['sound-4096.xls'] = compound(biff_workbook(), shift=12)
    files['sound-difat.xls'] = compound(biff_workbook(), fat_sectors=110)
    # The stream's sectors are 2 to 9: its fourth leads back to its second, its first far past the end.
    files['sector-loop.xls'] = compound(biff_workbook(), next_of={3: 3})
    files['sector-past-file.xls'] = compound(biff_workbook(), next_of={0: 5000})
    files['stream-past-file.xls'] = compound(biff_workbook(), size=1 << 20)
    files['string-past-record.xls'] = compound(biff_workbook(sst_chars=40000))
    files['encrypted.xls'] = compound(biff_workbook(encrypted=True))
    for name, data in files.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
