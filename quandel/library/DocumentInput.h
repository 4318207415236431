#pragma once

#include "DocumentLibrary.h"

#include <QObject>

// The keyboard and mouse handling of the document list and the editor:
// Alt+Q asks to exit, the editor's focus goes into the editing state, what
// the user types into the list is echoed in the word-search box, and a right
// click into the list of help documents switches the web view.
class DocumentInput final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DocumentInput)

public:
    // A child of the library, over its widgets.
    DocumentInput(const DocumentWidgets &widgets, DocumentLibrary &library);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    DocumentWidgets m_w;
    DocumentLibrary &m_library;
    QWidget *m_listViewport = nullptr;
};
