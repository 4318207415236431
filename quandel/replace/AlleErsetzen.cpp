#include "AlleErsetzen.h"

#include "AllHits.h"
#include "BesideWindow.h"
#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "EditingState.h"
#include "HitIntake.h"
#include "HitModel.h"
#include "Prompts.h"
#include "ReplaceReport.h"
#include "ReplaceSession.h"
#include "SearchHistory.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr char KeptGeometry[] = "alleErsetzenGeometry";
const QString Caption = QStringLiteral(" In allen Dokumenten ersetzen");

QString number(qsizetype n)
{
    return QLocale(QLocale::German, QLocale::Germany).toString(n);
}

QString documentPath(const DocumentLibrary *library, int index)
{
    if (library->isProjectView()) {
        return library->entry(index).path + u'/' + DocumentKinds::projectFileName();
    }
    return index < library->files().size() ? library->folder() + u'/' + library->files().at(index) : QString();
}

QPushButton *button(const QString &caption, const QString &name, const QString &accessible, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAccessibleName(accessible);
    b->setAutoDefault(false);
    return b;
}

QCheckBox *checkBox(const QString &caption, const QString &name, const QString &accessible, QWidget *parent)
{
    auto *c = new QCheckBox(caption, parent);
    c->setObjectName(name);
    c->setAccessibleName(accessible);
    return c;
}

} // namespace

AlleErsetzen::AlleErsetzen(DocumentLibrary *library, ReplaceSession *session, QString historyFile, QWidget *parent)
    : QDialog(parent), m_library(library), m_session(session), m_historyFile(std::move(historyFile))
{
    setObjectName(QStringLiteral("AlleErsetzen"));
    setWindowTitle(Caption);
    setAccessibleName(QStringLiteral("In allen Dokumenten ersetzen"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);

    auto *termLabel = new QLabel(QStringLiteral("Suchen &nach:"), this);
    m_term = new QComboBox(this);
    m_term->setObjectName(QStringLiteral("TBegriff"));
    m_term->setAccessibleName(QStringLiteral("Suchen nach"));
    m_term->setEditable(true);
    m_term->setInsertPolicy(QComboBox::NoInsert);
    m_term->setMinimumContentsLength(24);
    m_term->lineEdit()->setAccessibleName(QStringLiteral("Suchen nach"));
    termLabel->setBuddy(m_term);
    {
        const QSignalBlocker quiet(m_term);
        m_term->addItems(SearchHistory::read(m_historyFile));
        m_term->setCurrentIndex(-1);
        m_term->setEditText(QString());
    }
    auto *replacementLabel = new QLabel(QStringLiteral("Ersetzen &durch:"), this);
    m_replacement = new QLineEdit(this);
    m_replacement->setObjectName(QStringLiteral("TErsatz"));
    m_replacement->setAccessibleName(QStringLiteral("Ersetzen durch"));
    replacementLabel->setBuddy(m_replacement);
    m_case = checkBox(QStringLiteral("&Groß-/Kleinschreibung beachten"), QStringLiteral("BSchreibung"),
                      QStringLiteral("Groß-/Kleinschreibung beachten"), this);
    m_words = checkBox(QStringLiteral("Nur ganze &Wörter"), QStringLiteral("BWoerter"),
                       QStringLiteral("Nur ganze Wörter"), this);
    m_expression = checkBox(QStringLiteral("Reguläre A&usdrücke"), QStringLiteral("BAusdruck"),
                            QStringLiteral("Reguläre Ausdrücke"), this);

    m_preview = button(QStringLiteral("&Vorschau"), QStringLiteral("CVorschau"), QStringLiteral("Vorschau"), this);
    m_preview->setDefault(true);
    m_replace = button(QStringLiteral("&Ersetzen"), QStringLiteral("CErsetzen"), QStringLiteral("Ersetzen"), this);
    m_undo = button(QStringLiteral("Ersetzen &rückgängig"), QStringLiteral("CRueckgaengig"),
                    QStringLiteral("Ersetzen rückgängig"), this);
    m_stop = button(QStringLiteral("&Abbrechen"), QStringLiteral("CAbbrechen"), QStringLiteral("Abbrechen"), this);
    m_close = button(QStringLiteral("Schließen"), QStringLiteral("CSchliessen"), QStringLiteral("Schließen"), this);

    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("Fortschritt"));
    m_bar->setAccessibleName(QStringLiteral("Fortschritt"));
    m_bar->setRange(0, 1);
    m_bar->setValue(0);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("LDokumente"));
    m_count->hide();

    m_model = new HitModel(this);
    m_model->setReplaceMode(true);
    m_tree = new QTreeView(this);
    m_tree->setObjectName(QStringLiteral("Treffer"));
    m_tree->setAccessibleName(QStringLiteral("Treffer"));
    m_tree->setAccessibleDescription(
        QStringLiteral("Ein Knoten je Dokument, darunter eine Zeile je Treffer mit der Zeile vorher und nachher. "
                       "Die Leertaste kreuzt an oder ab, was ersetzt wird."));
    m_tree->setModel(m_model);
    m_tree->setUniformRowHeights(true);
    m_tree->setAllColumnsShowFocus(true);
    auto *marks = new HitMarkDelegate(m_tree);
    m_tree->setItemDelegateForColumn(HitModel::TextColumn, marks);
    m_tree->setItemDelegateForColumn(HitModel::AfterColumn, marks);
    // The lines before and after share the width; no column is measured
    // row by row.
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(HitModel::PlaceColumn, QHeaderView::Interactive);
    m_tree->header()->setSectionResizeMode(HitModel::TextColumn, QHeaderView::Stretch);
    m_tree->header()->setSectionResizeMode(HitModel::AfterColumn, QHeaderView::Stretch);
    m_tree->setColumnWidth(HitModel::PlaceColumn, 150);
    m_tree->installEventFilter(this);

    m_report = new QPlainTextEdit(this);
    m_report->setObjectName(QStringLiteral("Bericht"));
    m_report->setAccessibleName(QStringLiteral("Bericht"));
    m_report->setReadOnly(true);
    m_report->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    m_report->setMaximumBlockCount(2000);
    m_report->hide();

    auto *grid = new QGridLayout;
    grid->addWidget(termLabel, 0, 0);
    grid->addWidget(m_term, 0, 1);
    grid->addWidget(replacementLabel, 1, 0);
    grid->addWidget(m_replacement, 1, 1);
    auto *options = new QHBoxLayout;
    options->addWidget(m_case);
    options->addWidget(m_words);
    options->addWidget(m_expression);
    options->addStretch();
    grid->addLayout(options, 2, 1);
    grid->setColumnStretch(1, 1);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_preview);
    buttons->addWidget(m_replace);
    buttons->addWidget(m_undo);
    buttons->addWidget(m_close);
    buttons->addStretch();
    auto *top = new QHBoxLayout;
    top->addLayout(grid, 1);
    top->addLayout(buttons);
    auto *progress = new QHBoxLayout;
    progress->addWidget(m_bar, 1);
    progress->addWidget(m_count);
    progress->addWidget(m_stop);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(progress);
    layout->addWidget(m_tree, 3);
    layout->addWidget(m_report, 1);

    setTabOrder(m_term, m_replacement);
    setTabOrder(m_replacement, m_case);
    setTabOrder(m_case, m_words);
    setTabOrder(m_words, m_expression);
    setTabOrder(m_expression, m_preview);
    setTabOrder(m_preview, m_replace);
    setTabOrder(m_replace, m_undo);
    setTabOrder(m_undo, m_close);
    setTabOrder(m_close, m_stop);
    setTabOrder(m_stop, m_tree);
    setTabOrder(m_tree, m_report);
    resize(760, 520);

    m_drain = new QTimer(this);
    HitIntake::prepare(*m_drain);
    connect(m_drain, &QTimer::timeout, this, &AlleErsetzen::drain);
    connect(m_term, &QComboBox::editTextChanged, this, &AlleErsetzen::fieldsChanged);
    connect(m_replacement, &QLineEdit::textChanged, this, &AlleErsetzen::fieldsChanged);
    for (QCheckBox *box : {m_case, m_words, m_expression}) {
        connect(box, &QCheckBox::toggled, this, &AlleErsetzen::fieldsChanged);
    }
    connect(m_preview, &QPushButton::clicked, this, &AlleErsetzen::preview);
    connect(m_replace, &QPushButton::clicked, this, &AlleErsetzen::replace);
    connect(m_undo, &QPushButton::clicked, this, &AlleErsetzen::undo);
    connect(m_stop, &QPushButton::clicked, this, &AlleErsetzen::cancel);
    connect(m_close, &QPushButton::clicked, this, &AlleErsetzen::reject);
    connect(m_session, &ReplaceSession::progress, this, &AlleErsetzen::showProgress);
    connect(m_session, &ReplaceSession::written, this, &AlleErsetzen::written);
    connect(m_session, &ReplaceSession::undone, this, &AlleErsetzen::undone);
    connect(m_session, &ReplaceSession::stateChanged, this, &AlleErsetzen::updateButtons);
    updateButtons();
}

AlleErsetzen::~AlleErsetzen() = default;

QString AlleErsetzen::reportText() const
{
    return m_report->toPlainText();
}

QString AlleErsetzen::countText() const
{
    return m_count->text();
}

void AlleErsetzen::setCount(const QString &text)
{
    // Shown only while there is something to say, so that a screen reader
    // meets no empty label.
    m_count->setText(text);
    m_count->setVisible(!text.isEmpty());
}

void AlleErsetzen::placeBeside(const QWidget *window)
{
    BesideWindow::place(this, window, KeptGeometry);
}

MatchOptions AlleErsetzen::fieldOptions() const
{
    MatchOptions options;
    options.term = m_term->currentText();
    options.cs = m_case->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    options.wholeWords = m_words->isChecked();
    options.regularExpression = m_expression->isChecked();
    return options;
}

void AlleErsetzen::fieldsChanged()
{
    // What the tree shows was found for other fields: it is not written.
    if (m_previewDone && (fieldOptions() != m_previewOptions || m_replacement->text() != m_previewReplacement)) {
        m_previewDone = false;
    }
    updateButtons();
}

void AlleErsetzen::updateButtons()
{
    const bool busy = m_session->isBusy();
    m_preview->setEnabled(!busy && !m_term->currentText().isEmpty());
    m_replace->setEnabled(!busy && !m_run && m_previewDone && m_model->hitCount() > 0);
    m_undo->setEnabled(m_session->canUndo());
    m_stop->setEnabled(busy || m_run);
}

void AlleErsetzen::preview()
{
    if (m_session->isBusy()) {
        return;
    }
    const MatchOptions options = fieldOptions();
    const TextMatcher matcher(options);
    if (!matcher.isValid() || matcher.matchesEmpty()) {
        const QString why = !matcher.isValid()
                                ? matcher.errorText()
                                : QStringLiteral("Der Ausdruck „%1“ passt auch auf leeren Text; damit wird nichts "
                                                 "ersetzt.")
                                      .arg(options.term);
        if (!why.isEmpty()) {
            Prompts::instance().message(this, why, Caption, Prompts::Buttons::Ok, Prompts::Icon::Exclamation);
        }
        return;
    }
    if (m_run) {
        m_run->cancel();
        finishPreview(true);
    }
    m_previewOptions = options;
    m_previewReplacement = m_replacement->text();
    m_previewDone = false;

    AllHits::Source source;
    source.folder = m_library->folder();
    source.projectView = m_library->isProjectView();
    source.files = m_library->files();
    source.projects = m_library->folders();
    source.count = m_library->entryCount();
    const int shown = m_library->state().mIndex;
    m_editorIndex = -1;
    // The shown document with unsaved changes is looked at, and replaced,
    // as the editor holds it.
    if (shown >= 0 && shown < source.count && m_library->state().mChange &&
        m_library->documentPath() == documentPath(m_library, shown)) {
        source.editorIndex = shown;
        source.editorText = m_library->shownText();
        m_editorIndex = shown;
        m_editorTextHash =
            ReplaceFiles::hashBytes(QByteArrayView(reinterpret_cast<const char *>(source.editorText.constData()),
                                                   source.editorText.size() * qsizetype(sizeof(QChar))));
    }
    m_bar->setRange(0, std::max(1, source.count));
    m_bar->setValue(0);
    m_model->clear();
    m_report->clear();
    m_report->hide();
    m_tree->show();
    AllHits::Query query;
    query.options = options;
    query.replaceMode = true;
    query.replacement = m_previewReplacement;
    m_previewSource = source;
    m_previewSource.editorText.clear();
    m_run = std::make_unique<AllHits::Run>(std::move(source), std::move(query), m_threads, [this] {
        QMetaObject::invokeMethod(this, &AlleErsetzen::drain, Qt::QueuedConnection);
    });
    setCount(QStringLiteral("0 von %1").arg(number(m_run->total())));
    updateButtons();
    m_drain->start();
}

void AlleErsetzen::drain()
{
    if (m_run) {
        takeResults();
    }
    if (!m_run) {
        m_drain->stop();
    }
}

void AlleErsetzen::takeResults()
{
    const bool finished = m_run->isFinished();
    HitIntake::take(*m_run, *m_model, *m_tree, *m_library);
    m_bar->setValue(m_run->examined());
    setCount(QStringLiteral("%1 von %2").arg(number(m_run->examined()), number(m_run->total())));
    if (finished) {
        finishPreview(false);
    }
}

void AlleErsetzen::finishPreview(bool cancelled)
{
    m_drain->stop();
    bool limited = false;
    if (m_run) {
        limited = m_run->hitLimitReached();
        m_run.reset();
    }
    if (!cancelled) {
        // Fields changed while it ran: the tree is not what they ask for.
        m_previewDone = fieldOptions() == m_previewOptions && m_replacement->text() == m_previewReplacement;
        setCount(ReplaceReport::countText(m_model->hitCount(), m_model->documentCount()));
        if (limited) {
            m_bar->setValue(m_bar->maximum());
            showReport(QStringLiteral("Mehr als %1 Treffer – die Vorschau wurde angehalten; Ersetzen schreibt nur die "
                                      "gezeigten.")
                           .arg(number(AllHits::MaxHits)));
        }
    }
    updateButtons();
    Q_EMIT previewEnded(cancelled);
}

void AlleErsetzen::cancel()
{
    if (m_run) {
        m_run->cancel();
        finishPreview(true);
    }
    m_session->cancel();
}

void AlleErsetzen::replace()
{
    if (!m_previewDone || m_run || m_session->isBusy()) {
        return;
    }
    ReplaceFiles::Plan plan = previewPlan();
    m_inEditor.clear();

    // Windows-1252 documents that cannot hold the replacement: one question.
    QStringList cannotHold;
    if (!TextFile::fitsWindows1252(ReplaceReport::literalPart(m_previewReplacement, m_previewOptions))) {
        for (const ReplaceFiles::DocumentPlan &d : plan.documents) {
            // The editor's text is written in its format when it is saved.
            if (d.listIndex != m_editorIndex && m_windows1252.contains(d.listIndex)) {
                cannotHold.append(d.displayName);
            }
        }
    }
    if (!cannotHold.isEmpty()) {
        const Prompts::Answer answer =
            Prompts::instance().message(this, ReplaceReport::utf8Question(cannotHold, m_previewReplacement), Caption,
                                        Prompts::Buttons::YesNoCancel, Prompts::Icon::Question);
        if (answer == Prompts::Answer::Cancel) {
            return;
        }
        for (ReplaceFiles::DocumentPlan &d : plan.documents) {
            d.mayBecomeUtf8 = answer == Prompts::Answer::Yes;
        }
    }

    // The shown document with unsaved changes: in the editor, unsaved.
    const auto inEditor =
        std::find_if(plan.documents.begin(), plan.documents.end(),
                     [this](const ReplaceFiles::DocumentPlan &d) { return d.listIndex == m_editorIndex; });
    if (m_editorIndex >= 0 && inEditor != plan.documents.end()) {
        ReplaceFiles::DocumentResult result;
        result.listIndex = inEditor->listIndex;
        result.path = inEditor->path;
        result.displayName = inEditor->displayName;
        const QString text = m_library->shownText();
        const quint64 hash = ReplaceFiles::hashBytes(
            QByteArrayView(reinterpret_cast<const char *>(text.constData()), text.size() * qsizetype(sizeof(QChar))));
        const bool stillShown = m_library->state().mIndex == m_editorIndex && m_library->state().mChange &&
                                m_library->documentPath() == inEditor->path;
        if (!stillShown || hash != m_editorTextHash) {
            result.outcome = ReplaceFiles::Outcome::ChangedOnDisk;
        } else {
            const TextMatcher matcher(m_previewOptions);
            const QString replaced =
                ReplaceFiles::replaceInText(text, matcher, m_previewReplacement, inEditor->ticked, &result.replaced);
            if (result.replaced == 0) {
                result.outcome = ReplaceFiles::Outcome::NothingTicked;
            } else if (m_library->replaceShownText(replaced)) {
                result.outcome = ReplaceFiles::Outcome::Written;
            } else {
                result.outcome = ReplaceFiles::Outcome::Skipped;
                result.reason = QStringLiteral("das Dokument lässt sich nicht ändern");
            }
        }
        m_inEditor.append(result);
        plan.documents.erase(inEditor);
    }

    m_shownPath = m_library->shownDocument().changed ? QString() : m_library->documentPath();
    m_bar->setRange(0, std::max<int>(1, int(plan.documents.size())));
    m_bar->setValue(0);
    setCount(QStringLiteral("0 von %1 Dokumenten geschrieben").arg(number(plan.documents.size())));
    m_session->write(std::move(plan));
    updateButtons();
}

ReplaceFiles::Plan AlleErsetzen::previewPlan()
{
    ReplaceFiles::Plan plan;
    plan.options = m_previewOptions;
    plan.replacement = m_previewReplacement;
    m_windows1252.clear();
    const AllHits::Source &source = m_previewSource;
    for (int row = 0; row < m_model->documentCount(); ++row) {
        const AllHits::Document &document = m_model->document(row);
        ReplaceFiles::DocumentPlan d;
        d.listIndex = document.index;
        // The file the preview read, whatever the list shows now.
        if (source.projectView) {
            d.path = document.index < source.projects.size()
                         ? source.projects.at(document.index) + u'/' + DocumentKinds::projectFileName()
                         : QString();
        } else {
            d.path = document.index < source.files.size() ? source.folder + u'/' + source.files.at(document.index)
                                                          : QString();
        }
        d.displayName = m_model->index(row, HitModel::PlaceColumn).data().toString();
        d.key = document.key;
        d.contentHash = document.contentHash;
        d.ticked = m_model->ticked(row);
        if (std::none_of(d.ticked.cbegin(), d.ticked.cend(), [](bool t) { return t; })) {
            continue;
        }
        if (!document.fromEditor && document.encoding == TextFormat::Encoding::Windows1252) {
            m_windows1252.insert(document.index);
        }
        plan.documents.push_back(std::move(d));
    }
    return plan;
}

void AlleErsetzen::showProgress(int done, int total)
{
    m_bar->setRange(0, std::max(1, total));
    m_bar->setValue(done);
    setCount(QStringLiteral("%1 von %2 Dokumenten geschrieben").arg(number(done), number(total)));
}

void AlleErsetzen::written(const QList<ReplaceFiles::DocumentResult> &results, bool cancelled)
{
    QList<ReplaceFiles::DocumentResult> all = m_inEditor + results;
    m_inEditor.clear();
    // The shown document, written on disk without unsaved changes here, is
    // shown as it is now.
    const bool shownWritten = std::any_of(results.cbegin(), results.cend(), [this](const auto &r) {
        return r.outcome == ReplaceFiles::Outcome::Written && !m_shownPath.isEmpty() && r.path == m_shownPath;
    });
    if (shownWritten && m_library->documentPath() == m_shownPath && !m_library->shownDocument().changed) {
        (void)m_library->checkOutsideChanges();
    }
    m_shownPath.clear();
    // What was written is no longer what the preview showed.
    m_previewDone = false;
    m_model->clear();
    const ReplaceReport::Summary summary = ReplaceReport::summarize(all, m_editorIndex, cancelled);
    setCount(summary.headline);
    showReport(summary.text);
    updateButtons();
    focusReport();
    Q_EMIT reported();
}

void AlleErsetzen::undo()
{
    if (!m_session->canUndo()) {
        return;
    }
    // A preview under way is of no use once the files go back.
    if (m_run) {
        m_run->cancel();
        finishPreview(true);
    }
    m_bar->setRange(0, 0);
    setCount(QStringLiteral("Die Dateien werden zurückgestellt …"));
    m_session->undo();
    updateButtons();
}

void AlleErsetzen::undone(const QList<ReplaceFiles::DocumentResult> &results, bool fromEarlierRun)
{
    m_bar->setRange(0, 1);
    m_bar->setValue(1);
    // The shown document is shown as it is now, unless it holds unsaved
    // changes: then the user is asked, as for any change from outside.
    const QString shown = m_library->documentPath();
    if (std::any_of(results.cbegin(), results.cend(), [&shown](const auto &r) {
            return r.outcome == ReplaceFiles::Outcome::Restored && r.path == shown;
        })) {
        (void)m_library->checkOutsideChanges();
    }
    const ReplaceReport::Summary summary = ReplaceReport::summarizeUndo(results, fromEarlierRun);
    setCount(summary.headline);
    showReport(summary.text);
    updateButtons();
    focusReport();
    Q_EMIT reported();
}

void AlleErsetzen::showReport(const QString &text)
{
    m_report->setPlainText(text);
    m_report->setVisible(!text.isEmpty());
    // After a replace the tree is empty: the report takes its place.
    m_tree->setVisible(m_model->documentCount() > 0 || text.isEmpty());
}

void AlleErsetzen::focusReport()
{
    // The button pressed is off now; a screen reader reads the report.
    if (isActiveWindow() && m_report->isVisible()) {
        m_report->setFocus(Qt::OtherFocusReason);
    }
}

bool AlleErsetzen::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_tree && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() == Qt::NoModifier) {
            // Return in the tree does not start the preview anew.
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void AlleErsetzen::giveFocusBack()
{
    BesideWindow::giveFocusBack(this, m_returnFocus, *m_library);
}

void AlleErsetzen::reject()
{
    // While files are written, Esc is Abbrechen: the window stays for the
    // report.
    if (m_session->isBusy()) {
        m_session->cancel();
        return;
    }
    const bool wasActive = isActiveWindow();
    cancel();
    QDialog::reject();
    if (wasActive) {
        giveFocusBack();
    }
    close();
}

void AlleErsetzen::hideEvent(QHideEvent *event)
{
    BesideWindow::keep(this, KeptGeometry);
    QDialog::hideEvent(event);
}

void AlleErsetzen::closeEvent(QCloseEvent *event)
{
    // As Esc: while files are written the window stays for the report.
    if (m_session->isBusy()) {
        m_session->cancel();
        event->ignore();
        return;
    }
    if (m_run) {
        m_run->cancel();
        finishPreview(true);
    }
    BesideWindow::keep(this, KeptGeometry);
    m_model->clear();
    const bool wasActive = isVisible() && isActiveWindow();
    QDialog::closeEvent(event);
    if (wasActive) {
        giveFocusBack();
    }
}
