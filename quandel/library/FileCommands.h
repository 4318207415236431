#pragma once

#include <QObject>
#include <QString>

class DocumentLibrary;
class QWidget;

// Rename, Delete, Properties and Send to of the menu "&Vorgänge ": the
// commands that act on the selected document, or project folder, as a file.
class FileCommands final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileCommands)

public:
    // The targets of Send to; there is no target 0.
    static constexpr int FirstTarget = 1;
    static constexpr int LastTarget = 3;
    static QString sendToCaption(int target);

    FileCommands(DocumentLibrary *library, QWidget *window, QObject *parent = nullptr);

    void rename();           // mnuUmbenennen
    void remove();           // mnuloesche
    void showProperties();   // mnuEigenschaften
    void sendTo(int target); // mnuSendenDatei

    // The new name of a rename, as the user typed it: true when it names an
    // entry of the document folder itself.
    static bool isValidName(const QString &name);
    // What the user is told about a name isValidName() refuses.
    static QString invalidNameMessage();

private:
    // Ok of the rename dialog; true when the dialog is to close.
    bool renameTo(const QString &newName);
    // Moves an existing entry that the user agreed to replace to the trash.
    bool replaceExisting(const QString &path, const QString &question);
    void selectAfterRename(const QString &entry, const QString &typed);
    QString selectedEntry() const;

    DocumentLibrary *m_library = nullptr;
    QWidget *m_window = nullptr;
};
