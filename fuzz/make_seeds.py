#!/usr/bin/python3
"""Writes small valid inputs for every fuzz target into OUTDIR/<target>/, so the fuzzer starts
from files the readers accept rather than from nothing.

usage: make_seeds.py OUTDIR"""
import io
import os
import struct
import subprocess
import sys
import tempfile
import zipfile

out = sys.argv[1]
here = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    os.makedirs(os.path.join(out, target), exist_ok=True)
    if isinstance(data, str):
        data = data.encode("gbk")
    with open(os.path.join(out, target, name), "wb") as f:
        f.write(data)


def crlf(lines):
    return "".join(line + "\r\n" for line in lines)


# Table members.
formula = "！公式："
members = {
    "small": crlf(["ZUN'S Scorvane数据文件", "三年二班期中", "3", "4", "王老师", "班级[/]信息", "###.##",
                   "", "姓名", "语文", "总分",
                   "1", "张三", "90", formula + "cell(?,2)*2",
                   "2", "李四", "85.5", formula + "cell(1,3)+cell(?,2)"]),
    "empty": crlf(["ZUN'S Scorvane数据文件", "空表", "1", "1", "", "", "0.0", ""]),
}
for name, text in members.items():
    put("member", name, text)

# Archives: the member packed plainly and with the table password.
for name, text in members.items():
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("data.file", text.encode("gbk"))
    put("archive", name + "-plain.gdt", buf.getvalue())
with tempfile.TemporaryDirectory() as tmp:
    with open(os.path.join(tmp, "data.file"), "wb") as f:
        f.write(members["small"].encode("gbk"))
    subprocess.run(["zip", "-q", "-P", "secret", "s.zip", "data.file"], cwd=tmp, check=True)
    subprocess.run(["zip", "-q", "-0", "-P", "secret", "stored.zip", "data.file"], cwd=tmp, check=True)
    for z in ("s.zip", "stored.zip"):
        with open(os.path.join(tmp, z), "rb") as f:
            put("archive", z.replace(".zip", "-secret.gdt"), f.read())

# The user list.
put("user_store", "two", crlf(["[user]", "u1=zhang", "u2=李老师", "[zhang]", "psd=123456", "dlzip=123456",
                               "[李老师]", "psd=abcdef", "dlzip=abcdef"]))
put("user_store", "default", crlf(["[user]", "u1=Default", "u2=x"]))

# INI profiles and the school file.
put("ini", "profile", crlf(["; comment", "[Main]", "Key=\"quoted value\"", "other = 1", "[main]", "Key=second",
                            "[空]", "名=值", "novalue"]))
put("school", "school", crlf([";ZUN'S 通用Scorvane 学校关系树", "[School]", "Name=实验中学", "Grade=1",
                              "Grade0=初一", "Grade0Class=1", "Grade1=初二", "Grade1Class=0",
                              "[Grade0]", "Class0=一班", "Class1=二班", "[Grade1]", "Class0=一班"]))
put("school", "gaps", crlf(["[School]", "Name=x", "Grade=abc", "Grade0=a", "Grade2=c", "Grade0Class=-5",
                            "[Grade0]", "Class3=z"]))
put("school", "utf8", "\ufeff[School]\r\nName=学校\r\nGrade=0\r\nGrade0=高一\r\n".encode("utf-8"))


# Field templates: 128-byte records of a 2-byte length and GBK text.
def templet(values):
    data = b""
    for v in values:
        b = v.encode("gbk")
        data += (struct.pack("<H", len(b)) + b).ljust(128, b"\0")
    return data


put("templet", "three", templet(["ZUN'S 表格模版文件", "3", "  ", "姓名", "语文"]))
put("templet", "one", templet(["ZUN'S 表格模版文件", "1", "学号"]))

# CSV text.
put("csv", "gbk", "姓名,语文,数学\r\n张三,90,\"8\"\"5\"\r\n\"李,四\",\"多\r\n行\",  7 \r\n")
put("csv", "utf8", "\ufeffa,b\nc,d\n,\n\"\"\n".encode("utf-8"))

# DBF tables, with and without memo files, written by an independent writer when it is installed.
with tempfile.TemporaryDirectory() as tmp:
    # Debian's python3-dbf lives with the system's interpreter.
    python = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable
    made = subprocess.run([python, os.path.join(here, "..", "tests", "data", "exchange", "make_dbf.py"), tmp],
                          stderr=subprocess.DEVNULL).returncode == 0
    if made:
        for kind, memo, fox in (("fp", "fpt", 0), ("db3", "dbt", 1), ("vfp", "fpt", 0)):
            base = os.path.join(tmp, "成绩_" + kind)
            with open(base + ".dbf", "rb") as f:
                dbf = f.read()
            put("dbf", kind + ".dbf", dbf)
            memo_bytes = b""
            if os.path.exists(base + "." + memo):
                with open(base + "." + memo, "rb") as f:
                    memo_bytes = f.read()
            if len(dbf) < 65536:
                put("dbf_memo", kind, bytes([fox]) + struct.pack("<H", len(dbf)) + dbf + memo_bytes)


def dbf_file(fields, records, version=0x03):
    rec_len = 1 + sum(f[2] for f in fields)
    header_len = 32 + 32 * len(fields) + 1
    head = struct.pack("<BBBBIHH20x", version, 126, 1, 1, len(records), header_len, rec_len)
    for name, typ, length, dec in fields:
        head += name.encode().ljust(11, b"\0") + typ.encode() + b"\0" * 4 + bytes([length, dec]) + b"\0" * 14
    head += b"\r"
    body = b"".join(b" " + b"".join(v.encode("gbk").ljust(f[2])[: f[2]] for v, f in zip(r, fields)) for r in records)
    return head + body + b"\x1a"


plain = dbf_file([("NAME", "C", 8, 0), ("SCORE", "N", 5, 1), ("DAY", "D", 8, 0), ("OK", "L", 1, 0)],
                 [["张三", "90.5", "20080305", "T"], ["李四", "", "", "?"]])
put("dbf", "plain.dbf", plain)
# A FoxPro memo file of 64-byte blocks; the header takes the first 512 bytes (blocks 0 to 7).
fpt = bytearray(struct.pack(">IHH", 10, 0, 64).ljust(512, b"\0"))
fpt += (struct.pack(">II", 1, 4) + "评语".encode("gbk")).ljust(64, b"\0")
fpt += (struct.pack(">II", 1, 3) + b"abc").ljust(64, b"\0")
memo_dbf = dbf_file([("NAME", "C", 8, 0), ("NOTE", "M", 10, 0)], [["a", "         8"], ["b", "         9"]], 0xF5)
put("dbf_memo", "fox", bytes([0]) + struct.pack("<H", len(memo_dbf)) + memo_dbf + bytes(fpt))
dbt = bytearray(b"\x02\0\0\0".ljust(512, b"\0")) + b"memo text\x1a\x1a".ljust(512, b"\0")
db3 = dbf_file([("NAME", "C", 8, 0), ("NOTE", "M", 10, 0)], [["a", "         1"]], 0x83)
put("dbf_memo", "db3", bytes([1]) + struct.pack("<H", len(db3)) + db3 + bytes(dbt))

# Report templates and binding files.
put("rpl", "page", crlf(["[Information]", "LinesNum=2", "LabelsNum=1", "Page=-1", "[Lines]", "0=100,200,3000,200",
                         "1=100,200,100,4000,1", "[Labels]",
                         "0=姓名｜300｜400｜宋体｜True｜False｜12｜False｜True｜255",
                         "1=成绩[/]总分｜900｜400｜黑体｜0｜1｜0｜0｜0｜65280"]))
put("rpl", "empty", crlf(["[Information]", "LinesNum=-1", "LabelsNum=-1"]))
put("bind", "two", crlf(["ZUN'S Scorvane 报表数据绑定文件", "姓名 = 姓名", "1 = 1", "成绩[/]总分 = 总分", "2 = 4", ""]))
put("bind", "magic", crlf(["ZUN'S Scorvane 报表数据绑定文件"]))

# Expressions: byte 0 holds the options.
for i, e in enumerate(["1+2*3", "sin(30)+cos(pi/3)^2", "-(-(2))^-1/0", "log(8)+ln(e)+sr(16)", "ans*2",
                       "ihsc(2)+hct(1)+ict(3)", "1e308*10", "((((1))))+help", "0x1F+1b"]):
    put("calculate", "e%d" % i, bytes([i * 9 % 64]) + e.encode())

# Tables of five columns for the formula expansion: the format line, then cells row by row.
put("formula", "sheet", "\n".join(["###.##", "", "姓名", "语文", "数学", "总分",
                                   "1", "张三", "90", "80", formula + "cell(?,2)+cell(?,3)",
                                   "2", "李四", formula + "cell(1,2)/0", "x", formula + "cell(?,4)+cell(1,4)",
                                   "3", "王五", formula + "cell(9,9)", formula + "cell(3,4)", formula + "sin(cell(1,2))"]
                                  ).encode("utf-8"))
put("formula", "format", "0.0%\n\n\n\n\n\n1\n2\n！公式：1/3\n".encode("utf-8"))


# The XML members of the workbooks other programs wrote, for the scanner, led by the byte that
# sets the size of each read.
for book in sorted(os.listdir(os.path.join(here, "..", "tests", "data", "exchange"))):
    if book.endswith(".xlsx"):
        with zipfile.ZipFile(os.path.join(here, "..", "tests", "data", "exchange", book)) as z:
            for member in z.namelist():
                if member.endswith(".xml") or member.endswith(".rels"):
                    put("xml", book + "-" + member.replace("/", "_"), b"\x07" + z.read(member)[:60000])
