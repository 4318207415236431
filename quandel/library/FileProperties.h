#pragma once

#include <QDialog>
#include <QString>

// The properties of a document or project folder, for desktops whose file
// manager cannot show its own.
struct FileFacts
{
    QString name;
    QString kind;
    QString folder;
    QString size;
    QString modified;
    QString permissions;
};

namespace FileProperties {

// What the properties dialog shows for the file or folder, in German
// whatever the locale. A folder's size is that of everything inside it.
FileFacts describe(const QString &path);

// "566 Bytes" up to 1023 bytes, above in the largest unit that gives at least
// 1 with one decimal, and the bytes: "1,2 MB (1.234.567 Bytes)".
QString sizeText(qint64 bytes);

// The German name of a file's type with its extension: "Textdokument
// (.txt)"; files of other types "Datei (.xyz)", "Datei" without extension.
QString kindText(const QString &fileName);

} // namespace FileProperties

// The properties dialog itself: one read-only field per fact, each reached
// with Tab and named by its label, closed with OK.
class Eigenschaften final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Eigenschaften)

public:
    explicit Eigenschaften(const FileFacts &facts, QWidget *parent = nullptr);
};
