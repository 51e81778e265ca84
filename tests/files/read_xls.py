#!/usr/bin/python3
# Prints every non-empty cell of the first sheet of an .xls file as "row,column: value" (rows and
# columns from 1), read by xlrd, an independent spreadsheet reader.
import sys

import xlrd

book = xlrd.open_workbook(sys.argv[1], encoding_override="cp1251")
sheet = book.sheet_by_index(0)
for r in range(sheet.nrows):
    for c in range(sheet.ncols):
        cell = sheet.cell(r, c)
        if cell.ctype == xlrd.XL_CELL_EMPTY:
            continue
        if cell.ctype == xlrd.XL_CELL_BLANK:
            value = "<blank>"
        elif cell.ctype == xlrd.XL_CELL_NUMBER:
            value = repr(cell.value)
        else:
            value = cell.value
        print("%d,%d: %s" % (r + 1, c + 1, value))
