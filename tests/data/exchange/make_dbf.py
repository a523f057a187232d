#!/usr/bin/python3
"""Writes the DBF tables the exchange tests read, with Debian's python3-dbf as an independent
writer: FoxPro 2.x (.fpt memo), dBase III (.dbt memo) and Visual FoxPro, each with GBK text, a
number with and without decimals, a date, a logical, a memo and one deleted record.

usage: make_dbf.py FOLDER"""
import datetime
import os
import sys
import warnings

warnings.simplefilter("ignore")
import dbf  # noqa: E402

folder = sys.argv[1]
for kind in ("fp", "db3", "vfp"):
    table = dbf.Table(
        os.path.join(folder, "成绩_" + kind),
        "姓名 C(12); 语文 N(5,1); 数学 N(6,2); 生日 D; 团员 L; 评语 M",
        dbf_type=kind,
        codepage="cp936",
    )
    table.open(dbf.READ_WRITE)
    table.append(("张三", 80.0, 90.5, datetime.date(2008, 3, 5), True, "品学兼优，\r\n继续努力"))
    table.append(("已删除", 1.0, 1.0, None, False, "删除"))
    table.append(("  李四", None, 100.0, None, False, ""))
    table.append(("王五", 65.5, 0.25, datetime.date(2007, 12, 31), None, "x" * 600))
    dbf.delete(table[1])
    table.close()
