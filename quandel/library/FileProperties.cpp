#include "FileProperties.h"

#include <QDialogButtonBox>
#include <QDirIterator>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QMimeDatabase>
#include <QPushButton>

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

QString bytesText(qint64 bytes)
{
    const QLocale locale;
    return locale.formattedDataSize(bytes) + QStringLiteral(" (") + locale.toString(bytes) + QStringLiteral(" Bytes)");
}

} // namespace

namespace FileProperties {

FileFacts describe(const QString &path)
{
    const QFileInfo info(path);
    FileFacts facts;
    facts.name = info.fileName();
    facts.folder = info.absolutePath();
    facts.modified = QLocale().toString(info.lastModified(), QLocale::ShortFormat);
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
        facts.size = bytesText(total) + QStringLiteral(", ") + QLocale().toString(files) +
                     (files == 1 ? QStringLiteral(" Datei") : QStringLiteral(" Dateien"));
    } else {
        const QString comment = QMimeDatabase().mimeTypeForFile(info).comment();
        facts.kind = comment.isEmpty() ? QStringLiteral("Datei") : comment;
        if (!info.suffix().isEmpty()) {
            facts.kind += QStringLiteral(" (.") + info.suffix() + u')';
        }
        facts.size = bytesText(info.size());
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
    for (const auto &[name, row] : rows) {
        auto *value = new QLabel(row.second, this);
        value->setObjectName(QString::fromLatin1(name));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setTextFormat(Qt::PlainText);
        form->addRow(row.first, value);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setObjectName(QStringLiteral("BReady"));
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}
