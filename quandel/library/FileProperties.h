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

// What the properties dialog shows for the file or folder, in the user's
// locale. A folder's size is that of everything inside it.
FileFacts describe(const QString &path);

} // namespace FileProperties

// The properties dialog itself: one line per fact, closed with OK.
class Eigenschaften final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Eigenschaften)

public:
    explicit Eigenschaften(const FileFacts &facts, QWidget *parent = nullptr);
};
