#pragma once

#include <QObject>
#include <QString>

#include <memory>

class DocumentLibrary;
class QFont;
class QPlainTextEdit;
class QPrinter;
class QWidget;

// The editor's font and colour, kept in section "0" of the data file, and the
// printing of the editor's text. One printer lives as long as the window, so
// that what the page set-up chose holds for every later print.
class FontAndPrint final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FontAndPrint)

public:
    FontAndPrint(DocumentLibrary *library, QPlainTextEdit *editor, QWidget *window, const QString &dataFile,
                 QObject *parent = nullptr);
    ~FontAndPrint() override;

    void chooseFont(); // mnuSchriftarten
    void print();      // mnudrucken
    void pageSetup();  // mnuseiteeinrichten

    QPrinter &printer() { return *m_printer; }

    // Prints text in font on the printer as it is set up, wrapped to the page
    // width, with no header or page numbers added; false when the printer
    // could not be used.
    static bool printText(const QString &text, const QFont &font, qreal tabStopPixels, QPrinter &printer);

private:
    DocumentLibrary *m_library = nullptr;
    QPlainTextEdit *m_editor = nullptr;
    QWidget *m_window = nullptr;
    QString m_dataFile;
    std::unique_ptr<QPrinter> m_printer;
};
