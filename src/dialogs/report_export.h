#pragma once

#include <QByteArray>
#include <QFont>
#include <QString>

class QTextDocument;

namespace kx {

// The extension a file name without one gets when it is saved under `nameFilter`
// ("Text Files (*.txt)" gives "txt"); a filter without a single extension of its own
// ("All Files (*.*)") gives `defaultSuffix`.
QString KxFilterSuffix(const QString& nameFilter, const QString& defaultSuffix);

// The document as plain lines, each followed by CR LF, in UTF-8.
QByteArray KxDocumentToPlainLines(const QTextDocument& document);

// The document as rich text: one paragraph per line, every run with its colour, size and
// style. Qt reads RTF nowhere and writes it nowhere, and the report only ever holds coloured
// lines, so this small writer is all the program needs. Text outside ASCII is written as
// \u escapes, so the file is plain ASCII.
QByteArray KxDocumentToRtf(const QTextDocument& document, const QFont& defaultFont);

// Writes `bytes` to a temporary file renamed into place, so an existing report is never left
// half overwritten; raises EKxException when the file cannot be written.
void KxWriteFileAtomically(const QString& fileName, const QByteArray& bytes,
                           const QString& routineName);

} // namespace kx
