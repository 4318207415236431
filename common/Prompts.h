#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <optional>

class QDialog;
class QPrinter;
class QWidget;

// Every message box and standard dialog of the programs goes through this
// interface. The programs use QtPrompts (real Qt dialogs); tests install a
// scripted implementation that records each call and returns queued answers,
// so no test ever blocks on a modal dialog.
class Prompts
{
public:
    enum class Icon
    {
        None,
        Information,
        Question,
        Exclamation,
        Critical
    };
    enum class Buttons
    {
        Ok,
        OkCancel,
        YesNo,
        YesNoCancel,
        RetryCancel
    };
    enum class Answer
    {
        Ok,
        Cancel,
        Yes,
        No,
        Retry
    };

    struct SaveRequest
    {
        QString title;
        QString proposedPath; // folder plus proposed file name
        QStringList filters;  // "Text Dokumente (*.txt)" ...
        int filterIndex = 0;
    };

    Prompts() = default;
    virtual ~Prompts() = default;
    Prompts(const Prompts &) = delete;
    Prompts &operator=(const Prompts &) = delete;

    // A modal message box. Escape/closing answers Cancel (or No for Yes/No,
    // Ok for Ok alone).
    virtual Answer message(QWidget *parent, const QString &text, const QString &title, Buttons buttons, Icon icon) = 0;

    // The chosen path, or empty when cancelled. The chosen filter index is
    // written back into request.filterIndex.
    virtual QString saveFileName(QWidget *parent, SaveRequest &request) = 0;

    // A folder, or empty when cancelled. The file-system root cannot be chosen.
    virtual QString chooseFolder(QWidget *parent, const QString &prompt, const QString &startFolder) = 0;

    virtual std::optional<QFont> chooseFont(QWidget *parent, const QFont &initial) = 0;
    virtual std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial) = 0;

    // Print and page set-up dialogs over the given printer; true when accepted.
    virtual bool printDialog(QWidget *parent, QPrinter &printer) = 0;
    virtual bool pageSetupDialog(QWidget *parent, QPrinter &printer) = 0;

    // Runs one of the programs' own modal dialogs and returns its result code.
    virtual int execDialog(QDialog &dialog) = 0;

    // The implementation in use; QtPrompts unless a test installed another.
    static Prompts &instance();
    // Installs p (not owned); nullptr restores the real dialogs.
    static void setInstance(Prompts *p);
};

class QtPrompts final : public Prompts
{
public:
    Answer message(QWidget *parent, const QString &text, const QString &title, Buttons buttons, Icon icon) override;
    QString saveFileName(QWidget *parent, SaveRequest &request) override;
    QString chooseFolder(QWidget *parent, const QString &prompt, const QString &startFolder) override;
    std::optional<QFont> chooseFont(QWidget *parent, const QFont &initial) override;
    std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial) override;
    bool printDialog(QWidget *parent, QPrinter &printer) override;
    bool pageSetupDialog(QWidget *parent, QPrinter &printer) override;
    int execDialog(QDialog &dialog) override;
};
