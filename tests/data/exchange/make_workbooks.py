#!/usr/bin/python3
"""Writes the workbooks the exchange tests read, with other programs than ours: python3-openpyxl
writes sheets.xlsx, which is then edited as a spreadsheet program would have written it (shared
strings with a rich-text run and a phonetic run, one inline string, cached formula results of
each kind (a number, a text, a boolean, an error), a hidden value under a merged area, a
dimension record that claims far more than the sheet holds); gnumeric's ssconvert turns it into
gnumeric.xlsx and gnumeric.xls (BIFF8, where the long text spans CONTINUE records) and
gnumeric-biff5.xls (the older BIFF of Excel 5 and 95, written in a code page without Chinese,
from the same workbook with a short text in place of the long one).

usage: make_workbooks.py FOLDER      (needs /usr/bin/python3 with openpyxl, and ssconvert)"""
import datetime
import os
import re
import subprocess
import sys
import zipfile

from openpyxl import Workbook

folder = sys.argv[1]


def build(out, long_text):
    """The workbook at `out`; `long_text` is the length of the one text past a cell's 32,767."""
    raw = out + ".raw.xlsx"
    write_openpyxl(raw, long_text)
    edit(raw, out)
    os.remove(raw)


def write_openpyxl(raw, long_text):
    wb = Workbook()
    ws = wb.active
    ws.title = "成绩"
    ws.append(["学号", "姓名", "语文", "数学", "生日", "团员", "总分", "备注"])
    ws.append(["001", "张三", 85, 90.5, datetime.date(2008, 3, 5), True, "=C2+D2", "第一行\n第二行"])
    ws.append(["085", "李四", 84.99999999999999, 0.1 + 0.2, datetime.datetime(2024, 1, 5, 8, 30), False, "=C3+D3", "RICH"])
    ws.append(["80.0", "王五", None, 100, 39512, "=D4>C4", "=C4+D4", "INLINE"])
    ws.append(["004", "合并", None, -3, "=D5/0"])
    ws.merge_cells("B5:C5")
    ws["E2"].number_format = "mm-dd-yy"  # built-in 14
    ws["E3"].number_format = "yyyy-mm-dd hh:mm:ss"
    ws["E4"].number_format = '[$-804]yyyy"年"m"月"d"日"'
    ws["D4"].number_format = "0.00;[Red]-0.00"  # [Red] holds a d, but it is no date
    second = wb.create_sheet("第二页")
    second.append(["名单"])
    second.append(["甲", "y" * long_text])
    second.append(["乙"])
    wb.save(raw)



def edit(raw, out):
    with zipfile.ZipFile(raw) as z:
        members = {n: z.read(n) for n in z.namelist()}
    sheet = members["xl/worksheets/sheet1.xml"].decode()

    # Every inline string but one (H4) into a shared-strings part, as most writers do.
    strings = []


    def shared(m):
        ref, text = m.group(1), m.group(2)
        if ref == "H4":
            return m.group(0)
        if text == "RICH":
            strings.append('<si><r><t>红</t></r><r><rPr><b/></rPr><t xml:space="preserve">字 </t></r>'
                           '<rPh sb="0" eb="1"><t>hong</t></rPh><phoneticPr fontId="0"/></si>')
        else:
            strings.append("<si><t>%s</t></si>" % text)
        return '<c r="%s" t="s"><v>%d</v></c>' % (ref, len(strings) - 1)


    sheet = re.sub(r'<c r="([A-Z]+\d+)" t="inlineStr"><is><t>(.*?)</t></is></c>', shared, sheet, flags=re.S)
    # Cached results, as a spreadsheet program leaves them.
    sheet = sheet.replace("<f>C2+D2</f><v></v>", "<f>C2+D2</f><v>175.5</v>")
    sheet = sheet.replace("<f>C3+D3</f><v></v>", "<f>C3+D3</f><v>85.29999999999999</v>")
    sheet = sheet.replace('<c r="G4"><f>C4+D4</f><v></v>', '<c r="G4" t="str"><f>C4&amp;"x"</f><v>无成绩</v>')
    sheet = sheet.replace('<c r="F4"><f>D4&gt;C4</f><v></v>', '<c r="F4" t="b"><f>D4&gt;C4</f><v>1</v>')
    sheet = sheet.replace('<c r="E5"><f>D5/0</f><v></v>', '<c r="E5" t="e"><f>D5/0</f><v>#DIV/0!</v>')
    # A value left under the merged area, and an empty formatted cell far away that the dimension counts.
    sheet = re.sub(r'(<c r="B5"[^>]*>.*?</c>)', r'\1<c r="C5" t="inlineStr"><is><t>隐藏</t></is></c>', sheet)
    sheet = sheet.replace("</sheetData>", '<row r="400"><c r="AZ400" s="1"/></row></sheetData>')
    sheet = re.sub(r'<dimension ref="[^"]*"/>', '<dimension ref="A1:AZ500"/>', sheet)
    members["xl/worksheets/sheet1.xml"] = sheet.encode()
    members["xl/sharedStrings.xml"] = (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="%d" uniqueCount="%d">%s</sst>'
        % (len(strings), len(strings), "".join(strings))
    ).encode()
    rels = members["xl/_rels/workbook.xml.rels"].decode()
    rels = rels.replace(
        "</Relationships>",
        '<Relationship Id="rIdSst" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
        'sharedStrings" Target="sharedStrings.xml"/></Relationships>',
    )
    members["xl/_rels/workbook.xml.rels"] = rels.encode()
    types = members["[Content_Types].xml"].decode()
    types = types.replace(
        "</Types>",
        '<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.'
        'spreadsheetml.sharedStrings+xml"/></Types>',
    )
    members["[Content_Types].xml"] = types.encode()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in members.items():
            z.writestr(name, data)


build(os.path.join(folder, "sheets.xlsx"), 40000)
# FreeXL, which reads the older BIFF, cannot read a text spanning continuation records (at times it
# reports success and gives no workbook), so that workbook has a short text there.
build(os.path.join(folder, "for-biff5.xlsx"), 400)
for source, target, kind in (("sheets.xlsx", "gnumeric.xlsx", "xlsx"), ("sheets.xlsx", "gnumeric.xls", "excel_biff8"),
                             ("for-biff5.xlsx", "gnumeric-biff5.xls", "excel_biff7")):
    subprocess.run(["ssconvert", "--export-type=Gnumeric_Excel:" + kind, os.path.join(folder, source),
                    os.path.join(folder, target)], check=True, stderr=subprocess.DEVNULL)
os.remove(os.path.join(folder, "for-biff5.xlsx"))
