#include "ScriptedPrompts.h"

#include <QDialog>

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

Prompts::Answer ScriptedPrompts::message(QWidget *, const QString &text, const QString &title, Buttons buttons,
                                         Icon icon)
{
    calls.append({QStringLiteral("message"), text, title, buttons, icon, {}});
    if (!messageAnswers.isEmpty()) {
        return messageAnswers.dequeue();
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
    return saveAnswers.isEmpty() ? QString() : saveAnswers.dequeue();
}

QString ScriptedPrompts::chooseFolder(QWidget *, const QString &prompt, const QString &startFolder)
{
    calls.append({QStringLiteral("folder"), prompt, startFolder, Buttons::OkCancel, Icon::None, {}});
    return folderAnswers.isEmpty() ? QString() : folderAnswers.dequeue();
}

std::optional<QFont> ScriptedPrompts::chooseFont(QWidget *, const QFont &initial)
{
    calls.append({QStringLiteral("font"), initial.toString(), {}, Buttons::OkCancel, Icon::None, {}});
    return fontAnswers.isEmpty() ? std::nullopt : fontAnswers.dequeue();
}

std::optional<QColor> ScriptedPrompts::chooseColor(QWidget *, const QColor &initial)
{
    calls.append({QStringLiteral("color"), initial.name(), {}, Buttons::OkCancel, Icon::None, {}});
    return colorAnswers.isEmpty() ? std::nullopt : colorAnswers.dequeue();
}

bool ScriptedPrompts::printDialog(QWidget *, QPrinter &)
{
    calls.append({QStringLiteral("print"), {}, {}, Buttons::OkCancel, Icon::None, {}});
    return !printAnswers.isEmpty() && printAnswers.dequeue();
}

bool ScriptedPrompts::pageSetupDialog(QWidget *, QPrinter &)
{
    calls.append({QStringLiteral("pageSetup"), {}, {}, Buttons::OkCancel, Icon::None, {}});
    return !pageSetupAnswers.isEmpty() && pageSetupAnswers.dequeue();
}

int ScriptedPrompts::execDialog(QDialog &dialog)
{
    calls.append(
        {QStringLiteral("dialog"), dialog.objectName(), dialog.windowTitle(), Buttons::OkCancel, Icon::None, {}});
    if (dialogHandlers.isEmpty()) {
        return QDialog::Rejected;
    }
    return dialogHandlers.dequeue()(dialog);
}
