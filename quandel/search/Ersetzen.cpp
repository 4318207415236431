#include "Ersetzen.h"

#include "BackgroundWork.h"
#include "DocumentLibrary.h"
#include "SearchHistory.h"
#include "Twips.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

// Terms longer than this are not taken from the selection.
constexpr int MaxPrefill = 200;
// How long the window gives the editor for replacing, before it paints again.
constexpr int SliceMs = 40;

QString quoted(const QString &term)
{
    return u'„' + term + u'“';
}

} // namespace

Ersetzen::Ersetzen(DocumentLibrary *library, QPlainTextEdit *text, QString historyFile, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_library(library), m_text(text),
      m_historyFile(std::move(historyFile))
{
    setObjectName(QStringLiteral("Ersetzen"));
    setWindowTitle(QStringLiteral(" Ersetzen"));
    setAccessibleName(QStringLiteral("Ersetzen"));
    setModal(false);

    auto *termLabel = new QLabel(QStringLiteral("Suchen &nach:"), this);
    m_term = new QComboBox(this);
    m_term->setObjectName(QStringLiteral("TSuchen"));
    m_term->setEditable(true);
    m_term->setInsertPolicy(QComboBox::NoInsert);
    // The term is used as typed: a completer would put a history entry of
    // another case in its place.
    m_term->setCompleter(nullptr);
    m_term->setMinimumContentsLength(24);
    m_term->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_term->setAccessibleName(QStringLiteral("Suchen nach"));
    m_term->lineEdit()->setAccessibleName(QStringLiteral("Suchen nach"));
    termLabel->setBuddy(m_term);
    auto *replacementLabel = new QLabel(QStringLiteral("Ersetzen &durch:"), this);
    m_replacement = new QLineEdit(this);
    m_replacement->setObjectName(QStringLiteral("TErsetzen"));
    m_replacement->setAccessibleName(QStringLiteral("Ersetzen durch"));
    m_replacement->setAccessibleDescription(
        QStringLiteral("Bei regulären Ausdrücken stehen \\1 bis \\9 für die Gruppen und $0 für den ganzen Treffer."));
    replacementLabel->setBuddy(m_replacement);

    const auto checkBox = [this](const QString &caption, const QString &name, const QString &accessible) {
        auto *box = new QCheckBox(caption, this);
        box->setObjectName(name);
        box->setAccessibleName(accessible);
        return box;
    };
    m_case = checkBox(QStringLiteral("&Groß-/Kleinschreibung beachten"), QStringLiteral("BSchreibung"),
                      QStringLiteral("Groß-/Kleinschreibung beachten"));
    m_wholeWords =
        checkBox(QStringLiteral("Nur ganze &Wörter"), QStringLiteral("BWoerter"), QStringLiteral("Nur ganze Wörter"));
    m_expression = checkBox(QStringLiteral("Reguläre &Ausdrücke"), QStringLiteral("BAusdruck"),
                            QStringLiteral("Reguläre Ausdrücke"));

    const auto button = [this](const QString &caption, const QString &name, const QString &accessible) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAccessibleName(accessible);
        b->setAutoDefault(false);
        return b;
    };
    m_findNext =
        button(QStringLiteral("Weiter&suchen"), QStringLiteral("CWeitersuchen"), QStringLiteral("Weitersuchen"));
    m_findNext->setDefault(true);
    m_replace = button(QStringLiteral("&Ersetzen"), QStringLiteral("CErsetzen"), QStringLiteral("Ersetzen"));
    m_replaceAll =
        button(QStringLiteral("A&lle ersetzen"), QStringLiteral("CAlleErsetzen"), QStringLiteral("Alle ersetzen"));
    m_close = button(QStringLiteral("S&chließen"), QStringLiteral("CSchliessen"), QStringLiteral("Schließen"));

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("LMeldung"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status->setMinimumWidth(320);
    // Shown only while it says something, so that a screen reader reads the
    // message itself and meets no empty label; its room stays.
    QSizePolicy keepRoom = m_status->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    m_status->setSizePolicy(keepRoom);
    m_status->hide();

    auto *grid = new QGridLayout(this);
    grid->addWidget(termLabel, 0, 0);
    grid->addWidget(m_term, 0, 1);
    grid->addWidget(replacementLabel, 1, 0);
    grid->addWidget(m_replacement, 1, 1);
    grid->addWidget(m_case, 2, 1);
    grid->addWidget(m_wholeWords, 3, 1);
    grid->addWidget(m_expression, 4, 1);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_findNext);
    buttons->addWidget(m_replace);
    buttons->addWidget(m_replaceAll);
    buttons->addWidget(m_close);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, 5, 1);
    grid->addWidget(m_status, 5, 0, 1, 3);
    grid->setColumnStretch(1, 1);

    setTabOrder(m_term, m_replacement);
    setTabOrder(m_replacement, m_case);
    setTabOrder(m_case, m_wholeWords);
    setTabOrder(m_wholeWords, m_expression);
    setTabOrder(m_expression, m_findNext);
    setTabOrder(m_findNext, m_replace);
    setTabOrder(m_replace, m_replaceAll);
    setTabOrder(m_replaceAll, m_close);

    connect(m_term, &QComboBox::editTextChanged, this, &Ersetzen::updateButtons);
    connect(m_findNext, &QPushButton::clicked, this, &Ersetzen::findNext);
    connect(m_replace, &QPushButton::clicked, this, &Ersetzen::replaceOne);
    connect(m_replaceAll, &QPushButton::clicked, this, &Ersetzen::replaceAll);
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);

    // The search history is offered, but only the search itself writes it.
    m_term->addItems(SearchHistory::read(m_historyFile));
    m_term->setCurrentIndex(-1);
    m_term->setEditText(QString());
    updateButtons();

    if (parent) {
        const auto dpi = float(parent->logicalDpiX());
        move(parent->frameGeometry().topLeft() + QPoint(Twips::toPixels(1400, dpi), Twips::toPixels(2500, dpi)));
    }
}

void Ersetzen::present()
{
    const QString selected = m_text->textCursor().selectedText();
    if (!selected.isEmpty() && selected.size() <= MaxPrefill && !selected.contains(QChar::ParagraphSeparator)) {
        m_term->setEditText(selected);
    } else if (m_term->currentText().isEmpty() && m_term->count() > 0) {
        m_term->setEditText(m_term->itemText(0));
    }
    setStatus(QString());
    show();
    raise();
    activateWindow();
    m_term->setFocus();
    m_term->lineEdit()->selectAll();
}

MatchOptions Ersetzen::options() const
{
    MatchOptions options;
    options.term = m_term->currentText();
    options.cs = m_case->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    options.wholeWords = m_wholeWords->isChecked();
    options.regularExpression = m_expression->isChecked();
    return options;
}

QString Ersetzen::statusText() const
{
    return m_status->text();
}

void Ersetzen::setStatus(const QString &text)
{
    m_status->setText(text);
    m_status->setVisible(!text.isEmpty());
    // A screen reader hears what the line now says.
    QAccessibleEvent event(m_status, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void Ersetzen::updateButtons()
{
    const bool hasTerm = !m_term->currentText().isEmpty();
    m_findNext->setEnabled(hasTerm);
    m_replace->setEnabled(hasTerm);
    m_replaceAll->setEnabled(hasTerm);
}

void Ersetzen::rememberTerm()
{
    // Terms used here come first in the list for this session.
    const QString term = m_term->currentText();
    const QSignalBlocker quiet(m_term);
    for (int i = m_term->count() - 1; i >= 0; --i) {
        if (m_term->itemText(i) == term) {
            m_term->removeItem(i);
        }
    }
    m_term->insertItem(0, term);
    m_term->setCurrentIndex(-1);
    m_term->setEditText(term);
}

bool Ersetzen::prepare(TextMatcher &matcher)
{
    if (m_library->isBusy()) {
        setStatus(QStringLiteral("Während eine Suche läuft, kann nicht ersetzt werden."));
        return false;
    }
    if (m_text->isHidden()) {
        setStatus(QStringLiteral("Ersetzt wird im Text des Dokuments: bitte zuerst die Webansicht ausschalten "
                                 "(Ansicht, Webansicht aktivieren)."));
        return false;
    }
    matcher = TextMatcher(options());
    if (!matcher.isValid()) {
        setStatus(matcher.errorText());
        return false;
    }
    rememberTerm();
    return true;
}

bool Ersetzen::mayChangeDocument()
{
    const ShownDocumentInfo shown = m_library->shownDocument();
    if (!shown.readOnlyReason.isEmpty()) {
        setStatus(QStringLiteral("Das Dokument wird nur zum Lesen angezeigt: ") + shown.readOnlyReason +
                  QStringLiteral(" Darin wird nichts ersetzt."));
        return false;
    }
    if (!shown.loaded || m_text->isReadOnly()) {
        setStatus(QStringLiteral("Das Dokument konnte nicht angezeigt werden; darin wird nichts ersetzt."));
        return false;
    }
    return true;
}

void Ersetzen::select(qsizetype start, qsizetype length)
{
    QTextCursor cursor(m_text->document());
    cursor.setPosition(int(start));
    cursor.setPosition(int(start + length), QTextCursor::KeepAnchor);
    m_text->setTextCursor(cursor);
    m_text->ensureCursorVisible();
}

bool Ersetzen::selectNext(const TextMatcher &matcher, qsizetype from)
{
    const QString text = m_library->shownText();
    TextMatcher::Match match = matcher.find(text, from);
    bool wrapped = false;
    if (!match.isValid() && !match.gaveUp && from > 0) {
        match = matcher.find(text, 0);
        wrapped = match.isValid();
    }
    if (!match.isValid()) {
        setStatus(match.gaveUp ? TextMatcher::gaveUpText()
                               : quoted(matcher.options().term) + QStringLiteral(" wurde nicht gefunden."));
        return false;
    }
    select(match.start, match.length);
    // The line the match starts in, also for one across line ends.
    const int line = m_text->document()->findBlock(int(match.start)).blockNumber() + 1;
    setStatus(wrapped
                  ? QStringLiteral("Am Ende des Dokuments angekommen; vom Anfang an weitergesucht: Zeile %1.").arg(line)
                  : QStringLiteral("Gefunden in Zeile %1.").arg(line));
    return true;
}

void Ersetzen::findNext()
{
    TextMatcher matcher;
    if (!prepare(matcher)) {
        return;
    }
    const QTextCursor cursor = m_text->textCursor();
    (void)selectNext(matcher, cursor.hasSelection() ? cursor.selectionEnd() : cursor.position());
}

void Ersetzen::replaceOne()
{
    TextMatcher matcher;
    if (!prepare(matcher)) {
        return;
    }
    QTextCursor cursor = m_text->textCursor();
    if (!cursor.hasSelection()) {
        (void)selectNext(matcher, cursor.position());
        return;
    }
    // Only a selection that is exactly a match is replaced; the search sees
    // the text around it, for whole words and the expression's ^ and \b.
    const QString text = m_library->shownText();
    const TextMatcher::Match match = matcher.find(text, cursor.selectionStart());
    if (match.start != cursor.selectionStart() || match.start + match.length != cursor.selectionEnd()) {
        (void)selectNext(matcher, cursor.selectionStart());
        return;
    }
    if (!mayChangeDocument()) {
        return;
    }
    cursor.insertText(matcher.replacementFor(match, m_replacement->text()));
    m_text->setTextCursor(cursor);
    if (!selectNext(matcher, cursor.position())) {
        setStatus(QStringLiteral("Ersetzt; weitere Stellen gibt es nicht."));
    }
}

void Ersetzen::replaceAll()
{
    TextMatcher matcher;
    if (!prepare(matcher)) {
        return;
    }
    if (matcher.matchesEmpty()) {
        setStatus(QStringLiteral("Der Ausdruck passt auch auf leeren Text (wie a* oder ^): damit wird nichts "
                                 "ersetzt."));
        return;
    }
    if (!mayChangeDocument()) {
        return;
    }
    QTextDocument *document = m_text->document();
    const int revision = document->revision();
    const QString text = m_library->shownText();
    const QString replacement = m_replacement->text();
    // The matches of a large text are found on a worker, the window stays
    // responsive meanwhile; the editor is changed afterwards, on this thread.
    QList<TextMatcher::Match> matches;
    bool gaveUp = false;
    setEnabled(false);
    {
        BackgroundWork work([&] { matches = matcher.findAll(text, 1 << 30, &gaveUp); });
        work.waitWhile(
            20, [] { return true; }, QEventLoop::ExcludeUserInputEvents);
    }
    setEnabled(true);
    if (gaveUp) {
        setStatus(TextMatcher::gaveUpText() + QStringLiteral(" Es wurde nichts ersetzt."));
        return;
    }
    if (document->revision() != revision || m_text->document() != document) {
        setStatus(QStringLiteral("Der Text hat sich während der Suche geändert; es wurde nichts ersetzt."));
        return;
    }
    if (matches.isEmpty()) {
        setStatus(quoted(matcher.options().term) + QStringLiteral(" wurde nicht gefunden; es wurde nichts ersetzt."));
        return;
    }
    // One step of the editor's undo, one change of the document as typing
    // makes it: the first slice opens an edit block, each further one joins
    // it. From the end backwards, so that the places still ahead keep their
    // positions. Between slices the window paints; what is typed waits.
    QTextCursor cursor(document);
    qsizetype left = matches.size();
    setEnabled(false);
    for (bool first = true; left > 0; first = false) {
        QElapsedTimer slice;
        slice.start();
        if (first) {
            cursor.beginEditBlock();
        } else {
            cursor.joinPreviousEditBlock();
        }
        do {
            const TextMatcher::Match &match = matches.at(--left);
            cursor.setPosition(int(match.start));
            cursor.setPosition(int(match.start + match.length), QTextCursor::KeepAnchor);
            cursor.insertText(matcher.replacementFor(match, replacement));
        } while (left > 0 && (left % 64 != 0 || slice.elapsed() < SliceMs));
        cursor.endEditBlock();
        if (left == 0) {
            break;
        }
        setStatus(QStringLiteral("Es wird ersetzt ... %1 %").arg((matches.size() - left) * 100 / matches.size()));
        const int ours = document->revision();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (document->revision() != ours || m_text->document() != document) {
            // The document was read again from disk meanwhile.
            setEnabled(true);
            setStatus(QStringLiteral("Das Dokument wurde während des Ersetzens neu geladen; Ersetzen abgebrochen."));
            return;
        }
    }
    setEnabled(true);
    const QLocale german(QLocale::German, QLocale::Germany);
    setStatus(matches.size() == 1
                  ? QStringLiteral("Es wurde 1 Stelle ersetzt.")
                  : QStringLiteral("Es wurden %1 Stellen ersetzt.").arg(german.toString(matches.size())));
}
