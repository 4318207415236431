#pragma once

#include "Prompts.h"

#include <QList>
#include <QQueue>
#include <QString>

#include <functional>

// Prompts for tests: records every call and answers from queues. A question
// whose queue is empty (anything but a message with only an Ok button) fails
// the running test and gets the "cancel" answer, so a missing script is seen
// and never blocks. Installs itself on construction and restores the real
// dialogs on destruction.
class ScriptedPrompts final : public Prompts
{
public:
    struct Call
    {
        QString kind; // "message", "save", "folder", "font", "color", "print", "pageSetup", "dialog"
        QString text; // message text, save title, folder prompt, dialog object name
        QString title;
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;
        SaveRequest save;
    };

    ScriptedPrompts();
    ~ScriptedPrompts() override;

    QList<Call> calls;

    QQueue<Answer> messageAnswers;
    QQueue<QString> saveAnswers;   // empty text = cancelled
    QQueue<int> saveFilterAnswers; // optional: filter index chosen with the save answer
    QQueue<QString> folderAnswers; // empty text = cancelled
    QQueue<std::optional<QFont>> fontAnswers;
    QQueue<std::optional<QColor>> colorAnswers;
    QQueue<bool> printAnswers;
    QQueue<bool> pageSetupAnswers;
    // Each handler gets the dialog (already built, not shown) and returns its
    // result code; it may click the dialog's buttons to drive it.
    QQueue<std::function<int(QDialog &)>> dialogHandlers;

    // Where a test means to leave questions unanswered (a soak run, the
    // bench), unscripted questions just get the "cancel" answer.
    bool failOnUnscripted = true;

    // Calls of one kind only.
    QList<Call> callsOf(const QString &kind) const;

    Answer message(QWidget *parent, const QString &text, const QString &title, Buttons buttons, Icon icon) override;
    QString saveFileName(QWidget *parent, SaveRequest &request) override;
    QString chooseFolder(QWidget *parent, const QString &prompt, const QString &startFolder) override;
    std::optional<QFont> chooseFont(QWidget *parent, const QFont &initial) override;
    std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial) override;
    bool printDialog(QWidget *parent, QPrinter &printer) override;
    bool pageSetupDialog(QWidget *parent, QPrinter &printer) override;
    int execDialog(QDialog &dialog) override;

private:
    void unscripted() const;
    template <typename T> T answer(QQueue<T> &queue, const T &cancelled)
    {
        if (queue.isEmpty()) {
            unscripted();
            return cancelled;
        }
        return queue.dequeue();
    }
};
