#include "AlleTreffer.h"

#include "BesideWindow.h"
#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "EditingState.h"
#include "HitIntake.h"
#include "HitModel.h"
#include "SearchHistory.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBlock>
#include <QThreadPool>
#include <QTimer>
#include <QTreeView>

#include <algorithm>

namespace {

// Where the window stood when it was last closed is kept with the main
// window, for as long as it lives.
constexpr char KeptGeometry[] = "alleTrefferGeometry";

// The thread that writes the history, one term after the other.
QThreadPool &historyWriter()
{
    static QThreadPool pool;
    pool.setMaxThreadCount(1);
    return pool;
}

// Numbers as a German reader writes them: 100.000.
QString number(qsizetype n)
{
    return QLocale(QLocale::German, QLocale::Germany).toString(n);
}

// "1 Treffer in 1 Dokument", "5 Treffer in 2 Dokumenten".
QString countText(qsizetype hits, int documents)
{
    return QStringLiteral("%1 Treffer in %2 %3")
        .arg(number(hits), number(documents),
             documents == 1 ? QStringLiteral("Dokument") : QStringLiteral("Dokumenten"));
}

QString documentPath(const DocumentLibrary *library, int index)
{
    if (library->isProjectView()) {
        return library->entry(index).path + u'/' + DocumentKinds::projectFileName();
    }
    return index < library->files().size() ? library->folder() + u'/' + library->files().at(index) : QString();
}

// The place of the occurrence nearest to column in a line, -1 when the line
// holds none.
qsizetype nearestIn(const QString &line, qsizetype column, const QString &term, Qt::CaseSensitivity cs)
{
    qsizetype best = -1;
    for (qsizetype at = line.indexOf(term, 0, cs); at >= 0; at = line.indexOf(term, at + 1, cs)) {
        if (best < 0 || std::abs(at - column) < std::abs(best - column)) {
            best = at;
        }
        if (at >= column) {
            break;
        }
    }
    return best;
}

// The match of matcher nearest to column among those that start in the
// line from lineStart to lineEnd of text; start -1 when there is none.
TextMatcher::Match nearestMatch(const QString &text, qsizetype lineStart, qsizetype lineEnd, qsizetype column,
                                const TextMatcher &matcher)
{
    TextMatcher::Match best;
    for (TextMatcher::Match m = matcher.find(text, lineStart); m.isValid() && m.start <= lineEnd;
         m = matcher.find(text, m.start + m.length)) {
        if (!best.isValid() || std::abs(m.start - lineStart - column) < std::abs(best.start - lineStart - column)) {
            best = m;
        }
        if (m.start - lineStart >= column) {
            break;
        }
    }
    return best;
}

} // namespace

AlleTreffer::AlleTreffer(DocumentLibrary *library, QPlainTextEdit *text, QString historyFile, QWidget *parent)
    : QDialog(parent), m_library(library), m_text(text), m_historyFile(std::move(historyFile))
{
    setObjectName(QStringLiteral("AlleTreffer"));
    setWindowTitle(QStringLiteral(" Alle Treffer"));
    setAccessibleName(QStringLiteral("Alle Treffer"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);

    auto *label = new QLabel(QStringLiteral("Suchen &nach:"), this);
    m_term = new QComboBox(this);
    m_term->setObjectName(QStringLiteral("TBegriff"));
    m_term->setAccessibleName(QStringLiteral("Suchen nach"));
    m_term->setEditable(true);
    m_term->setInsertPolicy(QComboBox::NoInsert);
    m_term->setMinimumContentsLength(24);
    label->setBuddy(m_term);
    m_case = new QCheckBox(QStringLiteral("&Groß-/Kleinschreibung beachten"), this);
    m_case->setObjectName(QStringLiteral("BSchreibung"));
    m_case->setAccessibleName(QStringLiteral("Groß-/Kleinschreibung beachten"));
    m_wholeWords = new QCheckBox(QStringLiteral("Nur ganze &Wörter"), this);
    m_wholeWords->setObjectName(QStringLiteral("BGanzeWoerter"));
    m_wholeWords->setAccessibleName(QStringLiteral("Nur ganze Wörter"));
    m_expression = new QCheckBox(QStringLiteral("&Reguläre Ausdrücke"), this);
    m_expression->setObjectName(QStringLiteral("BAusdruck"));
    m_expression->setAccessibleName(QStringLiteral("Reguläre Ausdrücke"));
    m_start = new QPushButton(QStringLiteral("&Suchen"), this);
    m_start->setObjectName(QStringLiteral("CStart"));
    m_start->setAccessibleName(QStringLiteral("Suchen"));
    m_start->setDefault(true);
    m_start->setEnabled(false);
    m_stop = new QPushButton(QStringLiteral("&Abbrechen"), this);
    m_stop->setObjectName(QStringLiteral("CAbbrechen"));
    m_stop->setAccessibleName(QStringLiteral("Abbrechen"));
    m_stop->setEnabled(false);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("Fortschritt"));
    m_bar->setAccessibleName(QStringLiteral("Fortschritt"));
    m_bar->setRange(0, 1);
    m_bar->setValue(0);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("LDokumente"));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("LStatus"));
    m_status->setWordWrap(true);
    m_status->hide();
    m_model = new HitModel(this);
    m_tree = new QTreeView(this);
    m_tree->setObjectName(QStringLiteral("Treffer"));
    m_tree->setAccessibleName(QStringLiteral("Treffer"));
    m_tree->setAccessibleDescription(
        QStringLiteral("Ein Knoten je Dokument, darunter eine Zeile je Treffer. Eingabetaste zeigt den Treffer im "
                       "Editor."));
    m_tree->setModel(m_model);
    m_tree->setUniformRowHeights(true);
    m_tree->setAllColumnsShowFocus(true);
    m_tree->setItemDelegateForColumn(1, new HitMarkDelegate(m_tree));
    m_tree->header()->setStretchLastSection(true);
    m_tree->setColumnWidth(0, 180);
    m_tree->installEventFilter(this);

    auto *grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_term, 0, 1);
    grid->addWidget(m_start, 0, 2);
    // Two rows, so that the window stays as narrow as before.
    auto *options = new QGridLayout;
    options->setContentsMargins(0, 0, 0, 0);
    options->addWidget(m_case, 0, 0, 1, 2);
    options->addWidget(m_wholeWords, 1, 0);
    options->addWidget(m_expression, 1, 1);
    options->setColumnStretch(2, 1);
    grid->addLayout(options, 1, 1);
    grid->addWidget(m_stop, 1, 2);
    grid->addWidget(m_bar, 2, 0, 1, 2);
    grid->addWidget(m_count, 2, 2);
    grid->addWidget(m_tree, 3, 0, 1, 3);
    grid->addWidget(m_status, 4, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);
    setTabOrder(m_term, m_case);
    setTabOrder(m_case, m_wholeWords);
    setTabOrder(m_wholeWords, m_expression);
    setTabOrder(m_expression, m_start);
    setTabOrder(m_start, m_stop);
    setTabOrder(m_stop, m_tree);
    resize(640, 420);

    m_drain = new QTimer(this);
    HitIntake::prepare(*m_drain);
    connect(m_drain, &QTimer::timeout, this, &AlleTreffer::drain);
    connect(m_term, &QComboBox::editTextChanged, this,
            [this](const QString &typed) { m_start->setEnabled(!typed.isEmpty()); });
    connect(m_start, &QPushButton::clicked, this, &AlleTreffer::start);
    connect(m_stop, &QPushButton::clicked, this, &AlleTreffer::cancel);
    connect(m_tree, &QTreeView::activated, this, &AlleTreffer::activate);
    fillHistory();
}

AlleTreffer::~AlleTreffer() = default;

QString AlleTreffer::statusText() const
{
    return m_status->text();
}

void AlleTreffer::setStatus(const QString &text)
{
    // Shown only while there is something to say, so that a screen reader
    // meets no empty label.
    m_status->setText(text);
    m_status->setVisible(!text.isEmpty());
}

void AlleTreffer::fillHistory()
{
    // The list changes, what is typed stays.
    const QString typed = m_term->currentText();
    const QSignalBlocker quiet(m_term);
    m_term->clear();
    m_term->addItems(SearchHistory::read(m_historyFile));
    m_term->setCurrentIndex(-1);
    m_term->setEditText(typed);
}

void AlleTreffer::placeBeside(const QWidget *window)
{
    BesideWindow::place(this, window, KeptGeometry);
}

void AlleTreffer::start()
{
    const QString term = m_term->currentText();
    if (term.isEmpty()) {
        return;
    }
    const MatchOptions options{term, m_case->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive,
                               m_wholeWords->isChecked(), m_expression->isChecked()};
    // The same rules as replacing: an expression that cannot be used is
    // explained, with where it goes wrong.
    const TextMatcher matcher(options);
    if (!matcher.isValid() || matcher.matchesEmpty()) {
        if (m_run) {
            m_run->cancel();
            finishRun(true);
        }
        setStatus(matcher.isValid() ? QStringLiteral("Der Ausdruck passt auch auf leeren Text; danach wird nicht "
                                                     "gesucht.")
                                    : matcher.errorText());
        return;
    }
    if (m_run) {
        m_run->cancel();
        finishRun(true);
    }
    m_lastTerm = term;
    m_lastCs = options.cs;
    m_lastOptions = options;

    // The list's own lists of names are shared, not copied: the workers
    // make each path themselves, so a start costs the same for any list.
    AllHits::Source source;
    source.folder = m_library->folder();
    source.projectView = m_library->isProjectView();
    source.files = m_library->files();
    source.projects = m_library->folders();
    source.count = m_library->entryCount();
    const int shown = m_library->state().mIndex;
    // The shown document is searched as the user sees it, unsaved changes
    // included.
    if (shown >= 0 && shown < source.count && m_library->state().mChange &&
        m_library->documentPath() == documentPath(m_library, shown)) {
        source.editorIndex = shown;
        source.editorText = DocumentLibrary::editorText(m_text);
    }
    m_bar->setRange(0, std::max(1, source.count));
    m_bar->setValue(0);
    // The rows of the last run go, and their memory with them.
    m_model->clear();
    setStatus(QString());
    // The workers start before the rest is done here. The end of the run is
    // taken in at once rather than at the next round.
    m_run = std::make_unique<AllHits::Run>(std::move(source), AllHits::Query{options, false, {}}, m_threads, [this] {
        QMetaObject::invokeMethod(this, &AlleTreffer::drain, Qt::QueuedConnection);
    });
    // As in the search dialog: a history that cannot be written only loses
    // the entry; the search itself goes on. Written off the window thread,
    // one write after the other: the write waits for the disk.
    historyWriter().start([self = QPointer<AlleTreffer>(this), path = m_historyFile, term] {
        (void)SearchHistory::save(path, term);
        if (QCoreApplication *app = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(
                app,
                [self] {
                    if (self) {
                        self->fillHistory();
                    }
                },
                Qt::QueuedConnection);
        }
    });
    m_stop->setEnabled(true);
    updateProgress();
    m_drain->start();
}

void AlleTreffer::cancel()
{
    if (!m_run) {
        return;
    }
    m_run->cancel();
    finishRun(true);
}

void AlleTreffer::drain()
{
    if (m_run) {
        takeResults();
    }
    if (!m_run) {
        m_drain->stop();
    }
}

void AlleTreffer::takeResults()
{
    // Asked before taking: a run finished by then has nothing left after
    // this round.
    const bool finished = m_run->isFinished();
    HitIntake::take(*m_run, *m_model, *m_tree, *m_library);
    updateProgress();
    if (finished) {
        finishRun(false);
    }
}

void AlleTreffer::updateProgress()
{
    if (!m_run) {
        return;
    }
    m_bar->setValue(m_run->examined());
    m_count->setText(QStringLiteral("%1 von %2").arg(number(m_run->examined()), number(m_run->total())));
}

void AlleTreffer::finishRun(bool cancelled)
{
    m_drain->stop();
    bool limited = false;
    if (m_run) {
        updateProgress();
        limited = m_run->hitLimitReached();
        m_run.reset();
    }
    m_stop->setEnabled(false);
    if (!cancelled) {
        m_count->setText(countText(m_model->hitCount(), m_model->documentCount()));
        if (limited) {
            m_bar->setValue(m_bar->maximum());
            setStatus(QStringLiteral("Mehr als %1 Treffer – die Suche wurde angehalten").arg(number(AllHits::MaxHits)));
        }
    }
    Q_EMIT runEnded(cancelled);
}

void AlleTreffer::activate(const QModelIndex &index)
{
    if (!index.isValid() || m_library->isBusy() || m_lastTerm.isEmpty()) {
        return;
    }
    const HitModel::Place place = m_model->placeOf(index);
    if (place.listIndex < 0 || place.listIndex >= m_library->entryCount()) {
        return;
    }
    const QString path = documentPath(m_library, place.listIndex);
    if (m_library->selectedIndex() != place.listIndex) {
        // The normal selection: the unsaved-changes question may stop it.
        if (!m_library->selectDocument(place.listIndex)) {
            return;
        }
    } else if (m_library->documentPath() != path) {
        // The list entry is selected, but another file is shown (a favourite
        // from elsewhere): the entry's document is loaded again.
        m_library->documentSelected();
    }
    if (m_library->documentPath() != path) {
        return;
    }
    // The place by line and column in the text as it is now: edits since
    // the run (in other lines above all) move it.
    const QTextBlock block = m_text->document()->findBlockByNumber(place.line - 1);
    qsizetype column = -1;
    qsizetype length = m_lastTerm.size();
    if (block.isValid() && !m_lastOptions.wholeWords && !m_lastOptions.regularExpression) {
        column = nearestIn(block.text(), place.column, m_lastTerm, m_lastCs);
    } else if (block.isValid()) {
        // An expression may reach into the lines after: it is looked for
        // in the whole text, from the line on.
        const TextMatcher matcher(m_lastOptions);
        const bool whole = m_lastOptions.regularExpression;
        const QString text = whole ? m_text->toPlainText() : block.text();
        const qsizetype lineStart = whole ? block.position() : 0;
        const TextMatcher::Match m =
            nearestMatch(text, lineStart, lineStart + block.length() - 1, place.column, matcher);
        if (m.isValid()) {
            column = m.start - lineStart;
            length = m.length;
        }
    }
    QTextCursor cursor(m_text->document());
    if (column < 0) {
        if (block.isValid()) {
            cursor.setPosition(block.position());
            m_text->setTextCursor(cursor);
            m_text->centerCursor();
        }
        setStatus(
            QStringLiteral("Zeile %1 enthält den Begriff ''%2'' nicht mehr.").arg(number(place.line), m_lastTerm));
        return;
    }
    setStatus(QString());
    cursor.setPosition(block.position() + int(column));
    cursor.setPosition(block.position() + int(column + length), QTextCursor::KeepAnchor);
    m_text->setTextCursor(cursor);
    m_text->centerCursor();
    m_text->ensureCursorVisible();
    if (QWidget *window = m_text->window()) {
        window->activateWindow();
    }
    m_text->setFocus();
    // The window closes onto the editor now.
    m_returnFocus = m_text;
}

bool AlleTreffer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_tree && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() == Qt::NoModifier) {
            // Enter on a row shows it; it does not start the search anew
            // through the default button.
            activate(m_tree->currentIndex());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void AlleTreffer::giveFocusBack()
{
    BesideWindow::giveFocusBack(this, m_returnFocus, *m_library);
}

void AlleTreffer::reject()
{
    const bool wasActive = isActiveWindow();
    cancel();
    QDialog::reject();
    if (wasActive) {
        giveFocusBack();
    }
    close();
}

void AlleTreffer::keepGeometry()
{
    BesideWindow::keep(this, KeptGeometry);
}

void AlleTreffer::hideEvent(QHideEvent *event)
{
    keepGeometry();
    QDialog::hideEvent(event);
}

void AlleTreffer::closeEvent(QCloseEvent *event)
{
    cancel();
    keepGeometry();
    // The results go with the window, and their memory at once.
    m_model->clear();
    const bool wasActive = isVisible() && isActiveWindow();
    QDialog::closeEvent(event);
    if (wasActive) {
        giveFocusBack();
    }
}
