#include "DocumentText.h"

DocumentText DocumentText::fromFile(QString fileText)
{
    DocumentText doc;
    doc.editorText = std::move(fileText);
    doc.finalLineEnd = doc.editorText.endsWith(u'\n');
    if (doc.finalLineEnd) {
        doc.editorText.chop(1);
    }
    if (!doc.editorText.right(3).contains(u'\n')) {
        doc.editorText += u'\n';
        doc.appendedLineEnd = true;
    }
    return doc;
}

QString DocumentText::toFile(const QString &currentEditorText) const
{
    QString text = currentEditorText;
    if (appendedLineEnd && text.endsWith(u'\n')) {
        text.chop(1);
    }
    if (finalLineEnd) {
        text += u'\n';
    }
    return text;
}
