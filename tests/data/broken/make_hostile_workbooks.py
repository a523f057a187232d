#!/usr/bin/env python3
"""Writes hostile .xlsx workbooks (and one .xls) into OUTDIR, put together byte by byte with the
archive helpers of make_hostile_zips.py: a DTD with nested entities, an undeclared entity, cell
references and merged areas past the table's 32,766 rows or columns, a shared string that does not
exist, sheet members inflating past 256 MiB that declare a small size (spaces; comments), a missing sheet member and
a compound document of garbage.

usage: make_hostile_workbooks.py OUTDIR"""
import os
import random
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
    for name, data in files.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
