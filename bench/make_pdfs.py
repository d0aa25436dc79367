#!/usr/bin/python3
"""The documents of the PDF jobs: text pages as offices print them, from ReportLab.

make_pdfs.py DIR writes DIR/text.pdf (200 pages) and DIR/part1.pdf .. part5.pdf (200 pages
each, different text); the same bytes for the same ReportLab.
"""
import os
import random
import sys

from reportlab.lib.pagesizes import letter
from reportlab.pdfgen import canvas

WORDS = ("invoice total due payment received account order delivery date amount customer "
         "reference number balance statement period notice please remit within days").split()


def document(path, pages, seed):
    rng = random.Random(seed)
    c = canvas.Canvas(path, pagesize=letter, invariant=1)
    for page in range(pages):
        c.setFont("Helvetica-Bold", 16)
        c.drawString(72, 720, "Statement %d, page %d" % (seed, page + 1))
        text = c.beginText(72, 690)
        text.setFont("Helvetica", 10.5)
        for _ in range(52):
            text.textLine(" ".join(rng.choice(WORDS) for _ in range(rng.randint(8, 13))))
        c.drawText(text)
        c.rect(72, 60, 468, 24)
        c.showPage()
    c.save()


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    document(os.path.join(folder, "text.pdf"), 200, 0)
    for part in range(1, 6):
        document(os.path.join(folder, "part%d.pdf" % part), 200, part)


if __name__ == "__main__":
    main()
