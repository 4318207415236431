#pragma once

class DocumentRecovery;
class DocumentWatch;
class EditorDocument;
class QPlainTextEdit;
class QString;
class QWidget;
namespace DocumentKinds {
struct Listing;
}

// The shown document as the parts of the library that keep it work on it:
// the watch for outside changes (DocumentWatch), Save and Save as
// (SaveCommands) and the recovery of unsaved text (DocumentRecovery).
// DocumentLibrary implements it and hands it to them; everything else they
// need is DocumentLibrary's public interface.
class ShownDocument
{
public:
    ShownDocument() = default;
    ShownDocument(const ShownDocument &) = delete;
    ShownDocument &operator=(const ShownDocument &) = delete;
    virtual ~ShownDocument() = default;

    // The main window, parent of every message about the document.
    virtual QWidget *window() const = 0;
    // The editor that holds the document's text, and how its file was read.
    virtual QPlainTextEdit *editor() const = 0;
    virtual EditorDocument &editorDocument() = 0;
    // The document's file when the list has no entry for it (a favourite
    // kept in another folder); empty otherwise.
    virtual QString externalPath() const = 0;
    virtual DocumentWatch &documentWatch() = 0;
    virtual DocumentRecovery &documentRecovery() = 0;

    // Gives the document list the keyboard focus.
    virtual void focusList() = 0;
    // Selects the entry (-1 = none) as the program, not the user: it carries
    // out a pending answer to the unsaved-changes question.
    virtual void selectEntry(int index) = 0;
    // After Save as: the list read afresh, with the file just written selected.
    virtual void showSavedFile(const QString &path) = 0;
    // Reads the watched file again after another program changed it.
    virtual void reloadFromDisk(const QString &watched) = 0;
    // The folder as another look found it (documents others added or
    // removed): the list shows it, the shown document keeps its entry, its
    // text and its selection.
    virtual void takeOutsideListing(const DocumentKinds::Listing &found) = 0;
};
