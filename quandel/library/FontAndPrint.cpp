#include "FontAndPrint.h"

#include "DocumentLibrary.h"
#include "EditorFont.h"
#include "Prompts.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>

FontAndPrint::FontAndPrint(DocumentLibrary *library, QPlainTextEdit *editor, QWidget *window, const QString &dataFile,
                           QObject *parent)
    : QObject(parent), m_library(library), m_editor(editor), m_window(window), m_dataFile(dataFile),
      m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
}

FontAndPrint::~FontAndPrint() = default;

void FontAndPrint::chooseFont()
{
    const std::optional<QFont> font = Prompts::instance().chooseFont(m_window, m_editor->font());
    if (!font) {
        return;
    }
    const std::optional<QColor> color =
        Prompts::instance().chooseColor(m_window, m_editor->palette().color(QPalette::Text));
    if (!color) {
        return;
    }
    QPalette palette = m_editor->palette();
    palette.setColor(QPalette::Text, *color);
    m_editor->setPalette(palette);
    m_editor->setFont(*font);
    if (!EditorFont::store(*font, *color, m_dataFile)) {
        Prompts::instance().message(
            m_window,
            QStringLiteral("Die Schriftart konnte nicht gespeichert werden. ") + u'\n' +
                QStringLiteral("Beim nächsten Start gilt wieder die bisherige. ") + u'\n' + m_dataFile,
            QStringLiteral(" ") + m_library->caption(), Prompts::Buttons::Ok, Prompts::Icon::Critical);
    }
}

void FontAndPrint::print()
{
    if (!Prompts::instance().printDialog(m_window, *m_printer)) {
        return;
    }
    m_printer->setDocName(m_library->state().mFile);
    // Tabs keep the width they have on screen, measured in the printer's
    // finer dots.
    const qreal tabStop =
        m_editor->tabStopDistance() * qreal(m_printer->logicalDpiX()) / qreal(m_editor->logicalDpiX());
    if (!printText(DocumentLibrary::editorText(m_editor), m_editor->font(), tabStop, *m_printer)) {
        Prompts::instance().message(m_window,
                                    m_library->state().mFile + QStringLiteral(" konnte nicht gedruckt werden. ") +
                                        u'\n' + QStringLiteral("Bitte prüfen Sie den Drucker. "),
                                    QStringLiteral(" ") + m_library->caption(), Prompts::Buttons::Ok,
                                    Prompts::Icon::Critical);
    }
}

void FontAndPrint::pageSetup()
{
    Prompts::instance().pageSetupDialog(m_window, *m_printer);
}

bool FontAndPrint::printText(const QString &text, const QFont &font, qreal tabStopPixels, QPrinter &printer)
{
    QTextDocument document;
    document.documentLayout()->setPaintDevice(&printer);
    document.setDefaultFont(font);
    document.setDocumentMargin(0);
    QTextOption option;
    // Long lines are wrapped to the page, a word too long for a line
    // anywhere: nothing is cut off at the edge of the paper.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    if (tabStopPixels > 0) {
        option.setTabStopDistance(tabStopPixels);
    }
    document.setDefaultTextOption(option);
    const QSizeF page(printer.width(), printer.height());
    // A document of pages of its own: printing it adds no page numbers.
    document.setPageSize(page);
    document.setPlainText(text);

    const int pages = std::max(1, document.pageCount());
    const int first = printer.fromPage() > 0 ? printer.fromPage() : 1;
    const int last = printer.toPage() > 0 ? std::min(printer.toPage(), pages) : pages;
    if (last < first) {
        // Pages the text does not have: there is nothing to print.
        return true;
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    QAbstractTextDocumentLayout::PaintContext context;
    // Paper gets black text, whatever colour the editor shows.
    context.palette.setColor(QPalette::Text, Qt::black);
    for (int number = first; number <= last; ++number) {
        if (number > first && !printer.newPage()) {
            painter.end();
            return false;
        }
        const qreal top = (number - 1) * page.height();
        painter.save();
        painter.translate(0, -top);
        painter.setClipRect(QRectF(0, top, page.width(), page.height()));
        // Lines that only touch the page's edge belong to the neighbouring
        // page: drawn here as well, their text would be printed twice.
        context.clip = QRectF(0, top + 0.5, page.width(), page.height() - 1);
        document.documentLayout()->draw(&painter, context);
        painter.restore();
    }
    return painter.end();
}
