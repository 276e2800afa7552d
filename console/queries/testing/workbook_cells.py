"""Prints a workbook for the export tests: the sheet names on the first line, then one record
per row of the first sheet; records end with 0x1e (cells may hold line breaks). Fields are separated by 0x1f; a cell that holds no value prints
as 0x1d, so a blank written as " " and a missing cell differ."""
import sys

from openpyxl import load_workbook

book = load_workbook(sys.argv[1], read_only=True)
out = sys.stdout.buffer
out.write("\x1f".join(book.sheetnames).encode("utf-8") + b"\x1e")
for row in book[book.sheetnames[0]].iter_rows(values_only=True):
    cells = ["\x1d" if value is None else str(value) for value in row]
    out.write("\x1f".join(cells).encode("utf-8") + b"\x1e")
