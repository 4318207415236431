#pragma once

#include "ZipPacker.h"

#include <QObject>
#include <QString>

class QWidget;

// The packing form, used hidden: its fields say what is packed where, and
// Command1 packs. The archive path chosen last is remembered in Win.ini.
class SaxCompress final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SaxCompress)
    Q_PROPERTY(QString tOrdner READ tOrdner WRITE setTOrdner)
    Q_PROPERTY(QString tZipdatei READ tZipdatei WRITE setTZipdatei)
    Q_PROPERTY(bool bSubDir READ bSubDir WRITE setBSubDir)
    Q_PROPERTY(QString tKennwort READ tKennwort WRITE setTKennwort)

public:
    // Loads the form: the fields get their first values and the remembered
    // archive path.
    explicit SaxCompress(QWidget *window, QObject *parent = nullptr);

    QString tOrdner() const { return m_tOrdner; }
    void setTOrdner(const QString &folder) { m_tOrdner = folder; }
    QString tZipdatei() const { return m_tZipdatei; }
    void setTZipdatei(const QString &archive) { m_tZipdatei = archive; }
    bool bSubDir() const { return m_bSubDir; }
    void setBSubDir(bool ticked) { m_bSubDir = ticked; }
    QString tKennwort() const { return m_tKennwort; }
    void setTKennwort(const QString &password) { m_tKennwort = password; }

    // Packs tOrdner into tZipdatei. The window stays responsive meanwhile,
    // and a progress window with a cancel button shows up when the packing
    // takes a moment. Reports a failure and an empty folder itself.
    ZipPacker::Result Command1();

    // How long a packing runs before its progress window is shown: short
    // packings should not flash a window.
    static constexpr int ProgressDelayMs = 250;

private:
    QWidget *m_window = nullptr; // parent of the progress window and the messages
    QString m_tOrdner;
    QString m_tZipdatei;
    bool m_bSubDir = true;
    QString m_tKennwort;
};

namespace ZipExport {

QString question();
QString successMessage();
QString emptyFolderMessage();

// The export command mnuKomprimieren: asks, lets the user choose the archive,
// packs folder into it and reports. It reads the folder and leaves the shown
// document and its editing state alone.
void mnuKomprimieren(QWidget *window, const QString &folder);

} // namespace ZipExport
