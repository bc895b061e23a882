#pragma once
// The bridge between the core's rich-text model and Qt's text documents. Indents travel as twips in
// the model and as pixels in the document (points at the given resolution); fonts are asked for by
// name with Japanese fall-backs so that page texts written with Windows font names still show
// their glyphs.
#include <QFont>
#include <QTextCharFormat>
#include <QTextDocument>

#include "core/richtext/richtext.h"

namespace ruvo::gui {

// Registers substitutes for the Windows font names documents carry. Idempotent; call once per
// application before the first text is shown.
void installFontSubstitutions();

// Pixels per point of the screen the documents are laid out for.
double screenDpi();

QTextCharFormat toCharFormat(const rt::CharFormat& f);
rt::CharFormat fromCharFormat(const QTextCharFormat& f);
QTextBlockFormat toBlockFormat(const rt::ParaFormat& p, double dpi);
rt::ParaFormat fromBlockFormat(const QTextBlockFormat& b, double dpi);

// Replaces the document's content with the text (undo history off: these documents are views).
void setRichText(QTextDocument& doc, const rt::RichText& text, double dpi = screenDpi());
// Reads a document back into the model; runs of equal formats are merged.
rt::RichText richTextOf(const QTextDocument& doc, double dpi = screenDpi());

}  // namespace ruvo::gui
