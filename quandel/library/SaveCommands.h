#pragma once

#include <QString>

class DocumentLibrary;
class ShownDocument;

// Save and Save as of the shown document: where it is written (its list
// entry, its project's text file, or the file of a document the list has no
// entry for), the check for changes made by other programs first, and what
// the user is told when writing fails or changes the character set.
class SaveCommands final
{
public:
    // Over the library's shown document; a member of the library.
    SaveCommands(DocumentLibrary &library, ShownDocument &shown) : m_library(library), m_shown(shown) {}
    SaveCommands(const SaveCommands &) = delete;
    SaveCommands &operator=(const SaveCommands &) = delete;

    bool save();   // mnuspeichern
    bool saveAs(); // mnuspeichernunter

private:
    bool saveNewProject();
    // Ok of the question for the new project's name: creates its folder with
    // its text file, or tells why not; *created is then that file's path.
    bool createProject(const QString &name, QString *created);
    bool write(const QString &path, const QString &name);
    void reportFailure(const QString &name);

    DocumentLibrary &m_library;
    ShownDocument &m_shown;
    QString m_lastSaveAsPath;
};
