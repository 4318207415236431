#include "FileProperties.h"

#include "GermanText.h"

#include <QDialogButtonBox>
#include <QDirIterator>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include <cmath>
#include <iterator>

namespace {

QString permissionText(const QFileInfo &info)
{
    const QFileDevice::Permissions p = info.permissions();
    const std::pair<QFileDevice::Permission, char16_t> bits[] = {
        {QFileDevice::ReadOwner, u'r'}, {QFileDevice::WriteOwner, u'w'}, {QFileDevice::ExeOwner, u'x'},
        {QFileDevice::ReadGroup, u'r'}, {QFileDevice::WriteGroup, u'w'}, {QFileDevice::ExeGroup, u'x'},
        {QFileDevice::ReadOther, u'r'}, {QFileDevice::WriteOther, u'w'}, {QFileDevice::ExeOther, u'x'}};
    QString text;
    for (const auto &[bit, letter] : bits) {
        text += (p & bit) ? QChar(letter) : QChar(u'-');
    }
    text += QStringLiteral(" (Besitzer: ") + info.owner() + QStringLiteral(", Gruppe: ") + info.group() + u')';
    if (!info.isWritable()) {
        text += QStringLiteral(", schreibgeschützt");
    }
    return text;
}

QLocale german()
{
    return QLocale(QLocale::German, QLocale::Germany);
}

} // namespace

namespace FileProperties {

QString sizeText(qint64 bytes)
{
    const QLocale locale = german();
    QString exact = locale.toString(bytes) + (bytes == 1 ? QStringLiteral(" Byte") : QStringLiteral(" Bytes"));
    if (bytes < 1024) {
        return exact;
    }
    const char *const units[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    double value = double(bytes) / 1024.0;
    size_t unit = 0;
    // 1.048.575 bytes are 1,0 MB, not 1024,0 KB: the unit is chosen after
    // rounding to one decimal.
    while (unit + 1 < std::size(units) && std::round(value * 10.0) / 10.0 >= 1024.0) {
        value /= 1024.0;
        ++unit;
    }
    return locale.toString(value, 'f', 1) + u' ' + QLatin1String(units[unit]) + QStringLiteral(" (") + exact + u')';
}

QString kindText(const QString &fileName)
{
    static const struct
    {
        const char16_t *suffix;
        const char16_t *name;
    } known[] = {{u"txt", u"Textdokument"},
                 {u"bas", u"Visual-Basic-Modul"},
                 {u"cls", u"Visual-Basic-Klassenmodul"},
                 {u"frm", u"Visual-Basic-Formular"},
                 {u"vbp", u"Visual-Basic-Projekt"},
                 {u"ini", u"Konfigurationseinstellungen"},
                 {u"dat", u"Datendatei"},
                 {u"log", u"Protokolldatei"},
                 {u"htm", u"HTML-Dokument"},
                 {u"html", u"HTML-Dokument"},
                 {u"zip", u"ZIP-Archiv"},
                 {u"pdf", u"PDF-Dokument"},
                 {u"png", u"PNG-Bild"},
                 {u"jpg", u"JPEG-Bild"},
                 {u"bmp", u"Bitmap-Bild"},
                 {u"ico", u"Symbol"}};
    const QString suffix = QFileInfo(fileName).suffix();
    if (suffix.isEmpty()) {
        return QStringLiteral("Datei");
    }
    QString name = QStringLiteral("Datei");
    for (const auto &entry : known) {
        if (suffix.compare(QString::fromUtf16(entry.suffix), Qt::CaseInsensitive) == 0) {
            name = QString::fromUtf16(entry.name);
            break;
        }
    }
    return name + QStringLiteral(" (.") + suffix + u')';
}

FileFacts describe(const QString &path)
{
    const QFileInfo info(path);
    FileFacts facts;
    facts.name = info.fileName();
    facts.folder = info.absolutePath();
    facts.modified = germanDateTime(info.lastModified());
    facts.permissions = permissionText(info);
    if (info.isDir()) {
        facts.kind = QStringLiteral("Dateiordner");
        // Links inside are counted as links, not followed: a project folder
        // linking to the whole disk would otherwise never be done.
        qint64 total = 0;
        qint64 files = 0;
        QDirIterator it(path, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            const QFileInfo entry = it.fileInfo();
            if (!entry.isSymLink()) {
                total += entry.size();
            }
            ++files;
        }
        facts.size = sizeText(total) + QStringLiteral(", ") + german().toString(files) +
                     (files == 1 ? QStringLiteral(" Datei") : QStringLiteral(" Dateien"));
    } else {
        facts.kind = kindText(info.fileName());
        facts.size = sizeText(info.size());
    }
    return facts;
}

} // namespace FileProperties

Eigenschaften::Eigenschaften(const FileFacts &facts, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Eigenschaften"));
    setWindowTitle(QStringLiteral("Eigenschaften von ") + facts.name);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto *form = new QFormLayout(this);
    const std::pair<const char *, std::pair<QString, QString>> rows[] = {
        {"LName", {QStringLiteral("Name:"), facts.name}},
        {"LTyp", {QStringLiteral("Typ:"), facts.kind}},
        {"LOrt", {QStringLiteral("Ort:"), facts.folder}},
        {"LGroesse", {QStringLiteral("Größe:"), facts.size}},
        {"LGeaendert", {QStringLiteral("Geändert:"), facts.modified}},
        {"LRechte", {QStringLiteral("Berechtigungen:"), facts.permissions}}};
    // Each value is a read-only field: Tab reaches it, a screen reader reads
    // it under its label's name, and its text can be selected and copied.
    for (const auto &[name, row] : rows) {
        auto *value = new QLineEdit(row.second, this);
        value->setObjectName(QString::fromLatin1(name));
        value->setReadOnly(true);
        value->setCursorPosition(0);
        value->setMinimumWidth(value->fontMetrics().averageCharWidth() * 48);
        auto *label = new QLabel(row.first, this);
        label->setBuddy(value);
        value->setAccessibleName(QString(row.first).remove(u':'));
        form->addRow(label, value);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setObjectName(QStringLiteral("BReady"));
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}
