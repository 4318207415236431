#include "Prompts.h"

#include "Accessibility.h"

#include <QAbstractItemView>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

Prompts *g_installedPrompts = nullptr;

QMessageBox::Icon toQt(Prompts::Icon icon)
{
    switch (icon) {
    case Prompts::Icon::Information:
        return QMessageBox::Information;
    case Prompts::Icon::Question:
        return QMessageBox::Question;
    case Prompts::Icon::Exclamation:
        return QMessageBox::Warning;
    case Prompts::Icon::Critical:
        return QMessageBox::Critical;
    case Prompts::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// The folder dialog refuses the file-system root: the library needs a real
// folder to keep its documents in.
bool isRoot(const QString &folder)
{
    return folder.isEmpty() || QDir(folder).isRoot();
}

// The file dialog's sizes in German: the file list formats them in the
// system's locale, which is English under LANG=C.
class GermanSizes final : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (files && index.column() == 1 && (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)) {
            const QModelIndex source = mapToSource(index);
            if (!files->isDir(source)) {
                return QLocale(QLocale::German, QLocale::Germany)
                    .formattedDataSize(files->size(source), 1, QLocale::DataSizeTraditionalFormat);
            }
        }
        return QIdentityProxyModel::data(index, role);
    }
};

} // namespace

Prompts &Prompts::instance()
{
    static QtPrompts real;
    return g_installedPrompts ? *g_installedPrompts : real;
}

void Prompts::setInstance(Prompts *p)
{
    g_installedPrompts = p;
}

Prompts::Answer QtPrompts::message(QWidget *parent, const QString &text, const QString &title, Buttons buttons,
                                   Icon icon)
{
    QMessageBox box(toQt(icon), title, text, QMessageBox::NoButton, parent);
    QMessageBox::StandardButtons standard;
    QMessageBox::StandardButton escape = QMessageBox::Cancel;
    switch (buttons) {
    case Buttons::Ok:
        standard = QMessageBox::Ok;
        escape = QMessageBox::Ok;
        break;
    case Buttons::OkCancel:
        standard = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case Buttons::YesNo:
        standard = QMessageBox::Yes | QMessageBox::No;
        escape = QMessageBox::No;
        break;
    case Buttons::YesNoCancel:
        standard = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    case Buttons::RetryCancel:
        standard = QMessageBox::Retry | QMessageBox::Cancel;
        break;
    }
    box.setStandardButtons(standard);
    box.setEscapeButton(escape);
    // The icon says to a screen reader what kind of message it is.
    const std::pair<Icon, const char16_t *> iconNames[] = {{Icon::Information, u"Information"},
                                                           {Icon::Question, u"Frage"},
                                                           {Icon::Exclamation, u"Warnung"},
                                                           {Icon::Critical, u"Fehler"}};
    for (const auto &[kind, name] : iconNames) {
        if (kind == icon) {
            for (QLabel *label : box.findChildren<QLabel *>(QStringLiteral("qt_msgboxex_icon_label"))) {
                label->setAccessibleName(QString::fromUtf16(name));
            }
        }
    }
    // The first button is the default one and has the focus, so that a
    // screen reader reads it with the message.
    const QMessageBox::StandardButton defaults[] = {QMessageBox::Ok, QMessageBox::Yes, QMessageBox::Retry};
    for (const QMessageBox::StandardButton button : defaults) {
        if (box.button(button)) {
            box.setDefaultButton(button);
            break;
        }
    }
    // German button texts, whatever the installed Qt translations are.
    const std::pair<QMessageBox::StandardButton, QString> texts[] = {
        {QMessageBox::Ok, QStringLiteral("OK")},
        {QMessageBox::Cancel, QStringLiteral("Abbrechen")},
        {QMessageBox::Yes, QStringLiteral("&Ja")},
        {QMessageBox::No, QStringLiteral("&Nein")},
        {QMessageBox::Retry, QStringLiteral("&Wiederholen")}};
    for (const auto &[button, caption] : texts) {
        if (QAbstractButton *b = box.button(button)) {
            b->setText(caption);
        }
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Retry:
        return Answer::Retry;
    default:
        return buttons == Buttons::Ok ? Answer::Ok : (buttons == Buttons::YesNo ? Answer::No : Answer::Cancel);
    }
}

QString QtPrompts::saveFileName(QWidget *parent, SaveRequest &request)
{
    QFileDialog dialog(parent, request.title, request.proposedPath);
    Accessibility::giveRolesOfKind(dialog);
    dialog.setProxyModel(new GermanSizes(&dialog));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(request.filters);
    if (request.filterIndex >= 0 && request.filterIndex < request.filters.size()) {
        dialog.selectNameFilter(request.filters.at(request.filterIndex));
    }
    dialog.selectFile(request.proposedPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    request.filterIndex = std::max<qsizetype>(0, request.filters.indexOf(dialog.selectedNameFilter()));
    return dialog.selectedFiles().constFirst();
}

QString QtPrompts::chooseFolder(QWidget *parent, const QString &prompt, const QString &startFolder)
{
    // A tree of folders with the prompt above it, like a folder browser.
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Ordner suchen"));
    dialog.resize(420, 480);
    auto *layout = new QVBoxLayout(&dialog);
    auto *label = new QLabel(prompt, &dialog);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto *model = new QFileSystemModel(&dialog);
    model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    model->setRootPath(QDir::rootPath());
    auto *tree = new QTreeView(&dialog);
    tree->setObjectName(QStringLiteral("FolderTree"));
    tree->setAccessibleName(QStringLiteral("Ordner"));
    tree->setModel(model);
    tree->setHeaderHidden(true);
    for (int column = 1; column < model->columnCount(); ++column) {
        tree->hideColumn(column);
    }
    layout->addWidget(tree);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    layout->addWidget(buttons);
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    ok->setEnabled(false);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    // The root cannot be a document folder: OK stays disabled while it is chosen.
    QObject::connect(tree->selectionModel(), &QItemSelectionModel::currentChanged, &dialog,
                     [ok, model](const QModelIndex &current) { ok->setEnabled(!isRoot(model->filePath(current))); });
    const QString start = startFolder.isEmpty() ? QDir::homePath() : startFolder;
    const QModelIndex startIndex = model->index(start);
    if (startIndex.isValid()) {
        tree->setCurrentIndex(startIndex);
        tree->scrollTo(startIndex);
    }
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    const QString chosen = model->filePath(tree->currentIndex());
    return isRoot(chosen) ? QString() : chosen;
}

std::optional<QFont> QtPrompts::chooseFont(QWidget *parent, const QFont &initial)
{
    QFontDialog dialog(initial, parent);
    Accessibility::giveRolesOfKind(dialog);
    // Qt's font dialog leaves its fields and lists without names: they are
    // family, style and size, in this order.
    const QString names[] = {QStringLiteral("Schriftart"), QStringLiteral("Schriftschnitt"),
                             QStringLiteral("Schriftgrad")};
    const QList<QLineEdit *> edits = dialog.findChildren<QLineEdit *>();
    const QList<QAbstractItemView *> lists = dialog.findChildren<QAbstractItemView *>();
    for (qsizetype i = 0; i < qsizetype(std::size(names)); ++i) {
        if (i < edits.size() && edits.at(i)->accessibleName().isEmpty()) {
            edits.at(i)->setAccessibleName(names[i]);
        }
        if (i < lists.size() && lists.at(i)->accessibleName().isEmpty()) {
            lists.at(i)->setAccessibleName(names[i]);
        }
    }
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.selectedFont();
}

std::optional<QColor> QtPrompts::chooseColor(QWidget *parent, const QColor &initial)
{
    const QColor color = QColorDialog::getColor(initial, parent);
    return color.isValid() ? std::optional<QColor>(color) : std::nullopt;
}

bool QtPrompts::printDialog(QWidget *parent, QPrinter &printer)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool QtPrompts::pageSetupDialog(QWidget *parent, QPrinter &printer)
{
    QPageSetupDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

int QtPrompts::execDialog(QDialog &dialog)
{
    return dialog.exec();
}
