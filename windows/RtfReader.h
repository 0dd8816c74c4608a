// Reading RTF into a QTextDocument for the description viewer. Qt reads HTML and Markdown but
// not RTF, so this is a small reader of our own for the RTF that word processors and pandoc
// write: text in the document's and the fonts' code pages and in Unicode, character formatting
// (bold, italic, underline, strike-out, size, font, colours, super- and subscript), paragraph
// formatting (alignment, indents, spacing, tab stops), line breaks and tabs, lists by the bullet
// or number texts the writer puts before each item, table rows as tab-separated lines and
// hyperlinks. What a viewer has no use for is skipped: pictures, embedded objects' data, headers
// and footers, footnotes and annotations, document information, style and list definitions.
#pragma once

#include <QByteArray>

class QTextDocument;

// Replaces the document's content with the text of `rtf` and returns true when it is RTF (it
// starts with "{\rtf", after white space or a byte-order mark). Anything else is shown as plain
// text — UTF-8 when it is valid UTF-8, Windows-1250 otherwise — and false is returned; so is RTF
// that is cut off before anything visible, whose bytes are then shown as they stand.
// Any input is safe: nesting deeper than the reader keeps is read as flat text, numbers are
// clamped, and the time taken grows linearly with the input.
bool ReadRtf(const QByteArray& rtf, QTextDocument& document);
