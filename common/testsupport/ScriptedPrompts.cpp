#include "ScriptedPrompts.h"

#include <QDialog>
#include <QTest>

ScriptedPrompts::ScriptedPrompts()
{
    Prompts::setInstance(this);
}

ScriptedPrompts::~ScriptedPrompts()
{
    Prompts::setInstance(nullptr);
}

QList<ScriptedPrompts::Call> ScriptedPrompts::callsOf(const QString &kind) const
{
    QList<Call> result;
    for (const Call &call : calls) {
        if (call.kind == kind) {
            result.append(call);
        }
    }
    return result;
}

void ScriptedPrompts::unscripted() const
{
    if (!failOnUnscripted || !QTest::currentTestFunction()) {
        return;
    }
    const Call &call = calls.last();
    const QString what =
        QStringLiteral("a question nobody scripted: %1 \"%2\" (%3)").arg(call.kind, call.text, call.title);
    QTest::qFail(qPrintable(what), __FILE__, __LINE__);
}

Prompts::Answer ScriptedPrompts::message(QWidget *, const QString &text, const QString &title, Buttons buttons,
                                         Icon icon)
{
    calls.append({QStringLiteral("message"), text, title, buttons, icon, {}});
    if (!messageAnswers.isEmpty()) {
        return messageAnswers.dequeue();
    }
    if (buttons != Buttons::Ok) {
        unscripted();
    }
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::YesNo:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

QString ScriptedPrompts::saveFileName(QWidget *, SaveRequest &request)
{
    calls.append({QStringLiteral("save"), request.title, request.title, Buttons::OkCancel, Icon::None, request});
    if (!saveFilterAnswers.isEmpty()) {
        request.filterIndex = saveFilterAnswers.dequeue();
    }
    return answer(saveAnswers, QString());
}

QString ScriptedPrompts::chooseFolder(QWidget *, const QString &prompt, const QString &startFolder)
{
    calls.append({QStringLiteral("folder"), prompt, startFolder, Buttons::OkCancel, Icon::None, {}});
    return answer(folderAnswers, QString());
}

std::optional<QFont> ScriptedPrompts::chooseFont(QWidget *, const QFont &initial)
{
    calls.append({QStringLiteral("font"), initial.toString(), {}, Buttons::OkCancel, Icon::None, {}});
    return answer(fontAnswers, std::optional<QFont>());
}

std::optional<QColor> ScriptedPrompts::chooseColor(QWidget *, const QColor &initial)
{
    calls.append({QStringLiteral("color"), initial.name(), {}, Buttons::OkCancel, Icon::None, {}});
    return answer(colorAnswers, std::optional<QColor>());
}

bool ScriptedPrompts::printDialog(QWidget *, QPrinter &)
{
    calls.append({QStringLiteral("print"), {}, {}, Buttons::OkCancel, Icon::None, {}});
    return answer(printAnswers, false);
}

bool ScriptedPrompts::pageSetupDialog(QWidget *, QPrinter &)
{
    calls.append({QStringLiteral("pageSetup"), {}, {}, Buttons::OkCancel, Icon::None, {}});
    return answer(pageSetupAnswers, false);
}

int ScriptedPrompts::execDialog(QDialog &dialog)
{
    calls.append(
        {QStringLiteral("dialog"), dialog.objectName(), dialog.windowTitle(), Buttons::OkCancel, Icon::None, {}});
    if (dialogHandlers.isEmpty()) {
        unscripted();
        return QDialog::Rejected;
    }
    return dialogHandlers.dequeue()(dialog);
}
