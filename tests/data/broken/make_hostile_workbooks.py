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


def biff_text(text, length=2):
    """A BIFF8 text: its length, flags (one byte a character when every one fits), the characters."""
    wide = any(ord(c) > 0xFF for c in text)
    chars = text.encode('utf-16-le' if wide else 'latin-1')
    return struct.pack('<BB' if length == 1 else '<HB', len(text), 1 if wide else 0) + chars


def biff_bof(kind):
    return biff_record(0x0809, struct.pack('<HHHHII', 0x0600, kind, 0x0DBB, 0x07CC, 0, 6))


def biff_cell(kind, row, col, data, style=0):
    return biff_record(kind, struct.pack('<HHH', row, col, style) + data)


def biff_sheet_of(records):
    """A workbook of one worksheet holding `records`, without shared strings."""
    name = biff_text('S', 1)
    globals_ = biff_bof(0x0005)
    sheet_at = len(globals_) + 4 + 6 + len(name) + 4
    globals_ += biff_record(0x0085, struct.pack('<IBB', sheet_at, 0, 0) + name) + biff_record(0x000A)
    return globals_ + biff_bof(0x0010) + records + biff_record(0x000A)


def biff_merges_everywhere(rows=30000, records=200):
    """A workbook of one worksheet: a number in each of `rows` rows, under 1,000 × `records` merged
    areas that all cover them (a reader that looked at every open area for every row would take
    hours)."""
    cells = b''.join(biff_cell(0x027E, r, 0, struct.pack('<I', 1 << 2 | 2)) for r in range(rows))
    merges = struct.pack('<HHHH', 0, rows - 1, 0, 0) * 1000
    return biff_sheet_of(cells + biff_record(0x00E5, struct.pack('<H', 1000) + merges) * records)


def biff_workbook(sst_chars=None, encrypted=False):
    """A BIFF8 workbook stream in the 1904 date system: the globals (a FILEPASS when `encrypted`, a
    worksheet 成绩 and a chart sheet 图表, number formats and styles, shared strings: 张三, a text
    whose length claims `sst_chars` characters, a rich text with Far East phonetic data, a text going
    on in a CONTINUE record in two bytes a character), the worksheet (each kind of cell record, a
    formula's text result going on in a CONTINUE record, a merged area, an embedded chart's
    substream) and the chart sheet."""
    bof, cell = biff_bof, biff_cell

    def xf(fmt):
        return biff_record(0x00E0, struct.pack('<HH', 0, fmt) + bytes(16))

    def rk(value):
        return struct.pack('<I', value)

    def formula(row, col, result, style=0):
        return cell(0x0006, row, col, result + struct.pack('<HI', 0, 0) + b'\x03\x00\x1e\x01\x00', style)

    def special(kind, value=0):
        return struct.pack('<BBBBHH', kind, 0, value, 0, 0, 0xFFFF)

    strings = [biff_text('张三'), struct.pack('<HB', 3 if sst_chars is None else sst_chars, 0) + b'abc',
               # 红字 with one formatting run and 4 bytes of phonetic data
               struct.pack('<HBHI', 2, 0x0D, 1, 4) + '红字'.encode('utf-16-le') + struct.pack('<HH', 1, 1) + b'\x01\x00\x00\x00']
    sst = biff_record(0x00FC, struct.pack('<II', 5, 4) + b''.join(strings) + struct.pack('<HB', 4, 0) + b'xy')
    sst += biff_record(0x003C, b'\x01' + '文字'.encode('utf-16-le'))
    styles = (biff_record(0x041E, struct.pack('<H', 164) + biff_text('yyyy"年"m"月"d"日"')) +
              biff_record(0x041E, struct.pack('<H', 165) + biff_text('0.00;[Red]-0.00')) +
              xf(0) + xf(164) + xf(22) + xf(165))
    filepass = biff_record(0x002F, struct.pack('<HHH', 1, 1, 1) + bytes(48)) if encrypted else b''
    names = [biff_text('成绩', 1), biff_text('图表', 1)]
    head = bof(0x0005) + filepass + biff_record(0x0022, struct.pack('<H', 1)) + styles
    sheets_at = len(head) + sum(4 + 6 + len(n) for n in names) + len(sst) + 4

    sheet = (bof(0x0010) + biff_record(0x0200, struct.pack('<IIHHH', 0, 7, 0, 5, 0)) +
             cell(0x00FD, 0, 0, struct.pack('<I', 0)) + cell(0x00FD, 0, 1, struct.pack('<I', 1)) +
             cell(0x0203, 0, 2, struct.pack('<d', 85.0)) +
             # 90, 9050 hundredths, 0.5
             biff_record(0x00BD, struct.pack('<HH', 1, 0) + struct.pack('<H', 0) + rk(90 << 2 | 2) +
                         struct.pack('<H', 0) + rk(9050 << 2 | 3) + struct.pack('<H', 0) + rk(0x3FE00000) +
                         struct.pack('<H', 2)) +
             # 2008-03-05, 2024-01-05 08:30:00 and a number in a format with [Red], from 1904
             cell(0x027E, 2, 0, rk(38050 << 2 | 2), 1) + cell(0x0203, 2, 1, struct.pack('<d', 43834.354166666664), 2) +
             cell(0x0203, 2, 2, struct.pack('<d', 3.0), 3) +
             cell(0x0205, 3, 0, b'\x01\x00') + cell(0x0205, 3, 1, b'\x00\x00') + cell(0x0205, 3, 2, b'\x07\x01') +
             cell(0x0204, 3, 3, biff_text('label')) +
             formula(4, 0, struct.pack('<d', 175.5)) + formula(4, 1, special(1, 0)) + formula(4, 2, special(2, 0x2A)) +
             formula(4, 3, special(0)) + biff_record(0x0207, struct.pack('<HB', 4, 0) + b'ab') +
             biff_record(0x003C, b'\x01' + '中文'.encode('utf-16-le')) + formula(4, 4, special(3)) +
             cell(0x00FD, 5, 0, struct.pack('<I', 2)) + cell(0x00FD, 5, 1, struct.pack('<I', 3)) +
             cell(0x0204, 6, 0, biff_text('top')) + cell(0x0204, 6, 1, biff_text('hidden')) +
             biff_record(0x00E5, struct.pack('<HHHHH', 1, 6, 6, 0, 1)) +
             bof(0x0020) + cell(0x0203, 9, 9, struct.pack('<d', 7.0)) + biff_record(0x000A) +
             biff_record(0x000A))
    chart = bof(0x0020) + biff_record(0x000A)
    sheet_entries = (biff_record(0x0085, struct.pack('<IBB', sheets_at, 0, 0) + names[0]) +
                     biff_record(0x0085, struct.pack('<IBB', sheets_at + len(sheet), 0, 2) + names[1]))
    globals_ = head + sheet_entries + sst + biff_record(0x000A)
    assert len(globals_) == sheets_at
    return globals_ + sheet + chart


END, FREE, FATSECT, DIFSECT = 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFFFD, 0xFFFFFFFC


def compound(stream, mini=False, next_of=None, size=None, shift=9, fat_sectors=None):
    """A compound document of 2**`shift`-byte sectors holding `stream` as "Workbook": in sectors of
    its own (padded to the 4096 bytes below which a stream lies in the mini stream), or in the mini
    stream. The FAT has as many sectors as needed, or `fat_sectors`; of more than 109 it lists the rest
    in a DIFAT sector. `next_of` changes the
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
    count = (len(data) + sector - 1) // sector
    if fat_sectors is None:
        fat_sectors = 1
        while fat_sectors * per < fat_sectors + (fat_sectors > 109) + 2 + count:
            fat_sectors += 1
    difat_sectors = 1 if fat_sectors > 109 else 0
    directory_at = fat_sectors + difat_sectors
    first = directory_at + (2 if mini else 1)
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
    # A small file asking for memory by the million: shared strings.
    files['strings-by-the-million.xlsx'] = workbook(sheet_of(b'<c r="A1" t="s"><v>0</v></c>'),
                                                    strings=b'<sst ' + NS + b'>' + b'<si/>' * 5_000_000 + b'</sst>')
    rng = random.Random(3)
    files['garbage.xls'] = b'\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1' + bytes(rng.randrange(256) for _ in range(8192))
    # A number past the table's rows, a merged area past them, a shared string that does not exist.
    files['cell-too-far.xls'] = compound(biff_sheet_of(biff_cell(0x0203, 40000, 0, struct.pack('<d', 1.0))))
    files['merge-too-far.xls'] = compound(biff_sheet_of(biff_record(0x00E5, struct.pack('<HHHHH', 1, 0, 40000, 0, 1))))
    files['string-missing.xls'] = compound(biff_sheet_of(biff_cell(0x00FD, 0, 0, struct.pack('<I', 7))))
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
    files['merges-everywhere.xls'] = compound(biff_merges_everywhere())
    for name, data in files.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
