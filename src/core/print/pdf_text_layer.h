#pragma once
// The text layer of the PDF files the program writes. Qt's PDF writer tells readers which
// character each glyph of an embedded font stands for by asking the font's character map for the
// lowest code point that gives the glyph. CJK fonts give one glyph to a radical and to the
// ideograph it looks like (⼀ U+2F00 and 一 U+4E00, ⻢ U+2EE2 and 马 U+9A6C), so searching and
// copying our PDFs found radicals instead of the characters drawn. The drawn text tells which one
// was meant; the correction keeps every byte offset of the file.
#include <QByteArray>
#include <QFont>
#include <QList>
#include <QSet>

namespace print {

class RecordingSurface;

// Rewrites, in the ToUnicode maps of `pdf`, each character that was not drawn by one that was
// drawn and shares its glyph in one of `fonts` (or is its compatibility equivalent). Characters
// that were drawn are never changed.
void correctTextLayer(QByteArray &pdf, const QSet<char32_t> &drawn, const QList<QFont> &fonts);
// The same with the characters and fonts of the layout the PDF was drawn from.
void correctTextLayer(QByteArray &pdf, const RecordingSurface &layout);

} // namespace print
