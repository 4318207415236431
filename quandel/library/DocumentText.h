#pragma once

#include <QString>

// How a document's text is shown in the editor and written back.
//
// A document of this library ends with a line end that is not part of its
// text: it is taken off when the document is shown and put back when it is
// saved, so a document round-trips byte for byte. So that the caret can
// always go below the last line, the editor gets a line end of its own when
// the text has none among its last three characters; that one is display
// only and is not written.
struct DocumentText
{
    QString editorText;
    bool finalLineEnd = true;     // the file ended with a line end
    bool appendedLineEnd = false; // editorText got a display line end

    // The editor text for a document's decoded text ("\n" line ends).
    static DocumentText fromFile(QString fileText);

    // The text to write for what the editor holds now.
    QString toFile(const QString &currentEditorText) const;
};
