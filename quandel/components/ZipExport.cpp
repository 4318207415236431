#include "ZipExport.h"

#include "AppPaths.h"
#include "BackgroundWork.h"
#include "IniFile.h"
#include "ProductInfo.h"
#include "Prompts.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QWidget>

#include <algorithm>

namespace {

const QString Section = QStringLiteral("SaxZip");
const QString Key = QStringLiteral("File");

QString rememberedArchive()
{
    return IniFiles::GetINIString(AppPaths::winIniFile(), Section, Key);
}

// The save dialog opens where the last archive went, as the file dialogs of
// the system it replaces remember their folder.
QString proposedArchive()
{
    const QString remembered = rememberedArchive();
    QString folder = remembered.isEmpty() ? QString() : QFileInfo(remembered).absolutePath();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    }
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        folder = QDir::homePath();
    }
    return folder + QStringLiteral("/Image.zip");
}

} // namespace

SaxCompress::SaxCompress(QWidget *window, QObject *parent) : QObject(parent), m_window(window)
{
    setObjectName(QStringLiteral("SaxCompress"));
    // The drive root of the program folder and an image on it; "/" plays the
    // drive root here.
    m_tOrdner = QDir::rootPath();
    m_tZipdatei = QDir::rootPath() + QStringLiteral("DriveImage.zip");
    const QString remembered = rememberedArchive();
    if (!remembered.isEmpty()) {
        m_tZipdatei = remembered;
    }
}

ZipPacker::Result SaxCompress::Command1()
{
    const ZipPacker::Request request{m_tOrdner, m_tZipdatei, m_bSubDir, m_tKennwort};
    ZipPacker::PackControl control;
    ZipPacker::Result result;

    QApplication::setOverrideCursor(Qt::BusyCursor);
    {
        QProgressDialog progress(m_window);
        progress.setObjectName(QStringLiteral("SaxCompressProgress"));
        progress.setWindowTitle(u' ' + ProductInfo::productName());
        progress.setLabelText(QStringLiteral("Die Dateien und Ordner werden komprimiert ..."));
        progress.setCancelButtonText(QStringLiteral("Abbrechen"));
        progress.setWindowModality(Qt::ApplicationModal);
        progress.setAutoClose(false);
        progress.setAutoReset(false);
        progress.setRange(0, 1000);
        progress.setMinimumDuration(ProgressDelayMs);
        progress.setValue(0);
        const auto cancel = [&control, &progress] {
            control.cancel.store(true);
            progress.setLabelText(QStringLiteral("Der Vorgang wird abgebrochen ..."));
        };
        QObject::connect(&progress, &QProgressDialog::canceled, &progress, cancel);
        // Escape closes the window without the canceled signal.
        QObject::connect(&progress, &QDialog::rejected, &progress, cancel);

        // libzip's zip_close blocks until the archive is complete; on the
        // window thread it would freeze the window for a large folder.
        BackgroundWork work([&request, &control, &result] { result = ZipPacker::pack(request, control); });
        const auto showProgress = [&progress, &control] {
            if (!progress.wasCanceled()) {
                progress.setValue(std::min(control.permille.load(), 999));
            }
        };
        // Until the progress window is up and modal, clicks must not start
        // other commands beside the packing.
        work.waitWhile(
            30,
            [&] {
                if (progress.isVisible()) {
                    return false;
                }
                showProgress();
                return true;
            },
            QEventLoop::ExcludeUserInputEvents);
        work.waitWhile(30, [&] {
            showProgress();
            return true;
        });
    }
    QApplication::restoreOverrideCursor();

    using Outcome = ZipPacker::Result::Outcome;
    if (result.outcome == Outcome::Failed) {
        // libzip's own text is English: a German sentence comes first.
        Prompts::instance().message(m_window,
                                    QStringLiteral("Das Zip-Archiv konnte nicht erstellt werden. ") + u'\n' +
                                        QStringLiteral("Fehler %1 (%2)").arg(result.status).arg(result.text),
                                    ProductInfo::productName(), Prompts::Buttons::Ok, Prompts::Icon::None);
    } else if (result.outcome == Outcome::Empty) {
        Prompts::instance().message(m_window, ZipExport::emptyFolderMessage(), u' ' + ProductInfo::productName(),
                                    Prompts::Buttons::Ok, Prompts::Icon::Exclamation);
    }
    IniFiles::WriteINI(AppPaths::winIniFile(), Section, Key, m_tZipdatei);
    return result;
}

namespace ZipExport {

QString question()
{
    return QStringLiteral("Das Verzeichnis mit den Hilfethemen wird im Zip-Ordner gepackt. \n"
                          "Anschließend können Sie die Themen und Beispiele weitergeben.\n"
                          " \n"
                          "Möchten Sie mit der Exportierung der Hilfethemen fortfahren ?");
}

QString successMessage()
{
    return QStringLiteral("Alle Dateien und Ordner wurden erfolgreich kompremiert.     ");
}

QString emptyFolderMessage()
{
    return QStringLiteral("Das Verzeichnis enthält keine Dateien. Es wurde kein Zip-Ordner angelegt.   ");
}

void mnuKomprimieren(QWidget *window, const QString &folder)
{
    Prompts &prompts = Prompts::instance();
    const QString caption = window ? window->windowTitle() : ProductInfo::windowCaption();
    if (prompts.message(window, question(), u' ' + caption, Prompts::Buttons::YesNo, Prompts::Icon::Question) !=
        Prompts::Answer::Yes) {
        return;
    }
    Prompts::SaveRequest request;
    request.title = QStringLiteral("Speichern unter ...");
    request.proposedPath = proposedArchive();
    request.filters = {QStringLiteral("Zip-Dateien (*.zip)"), QStringLiteral("Alle Dateitypen (*)")};
    const QString archive = prompts.saveFileName(window, request);
    if (archive.isEmpty()) {
        return;
    }

    ZipPacker::Result result;
    {
        SaxCompress form(window);
        form.setTOrdner(folder);
        form.setTZipdatei(archive);
        result = form.Command1();
    }
    // Only this packing counts: an older archive of the same name says
    // nothing about whether it succeeded.
    if (result.written()) {
        prompts.message(window, successMessage(), u' ' + ProductInfo::productName(), Prompts::Buttons::Ok,
                        Prompts::Icon::Information);
    }
}

} // namespace ZipExport
