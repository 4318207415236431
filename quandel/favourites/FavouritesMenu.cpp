#include "FavouritesMenu.h"

#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "FileSystem.h"
#include "Helpers.h"
#include "Prompts.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

namespace {

const QString BrokenLink =
    QStringLiteral("Eine Verknüpfung zu einem Dokument oder Formular in ihren Favoriten ist fehlerhaft.   ");

} // namespace

FavouritesMenu::FavouritesMenu(QWidget *window, QMenu *menu, DocumentLibrary *library, QString dataFile,
                               QObject *parent)
    : QObject(parent), m_window(window), m_library(library), m_dataFile(std::move(dataFile))
{
    m_add = menu->addAction(QStringLiteral("&Dokument hinzufügen"));
    m_add->setObjectName(QStringLiteral("mnuhinzufügen"));
    connect(m_add, &QAction::triggered, this, &FavouritesMenu::addSelected);
    m_manage = menu->addAction(QStringLiteral("&Verwaltungslisten anzeigen ...  "));
    m_manage->setObjectName(QStringLiteral("mnuverwalten"));
    menu->addSeparator();
    for (int slot = 1; slot <= FavouritesStore::MaxSlots; ++slot) {
        QAction *a = menu->addAction(QString());
        a->setObjectName(QStringLiteral("mnuFavoriten_%1").arg(slot));
        connect(a, &QAction::triggered, this, [this, slot] { open(slot); });
        m_items[size_t(slot - 1)] = a;
    }
    resetItems();
}

void FavouritesMenu::resetItems()
{
    for (int slot = 1; slot <= FavouritesStore::MaxSlots; ++slot) {
        QAction *a = item(slot);
        a->setText(slot == 1 ? QStringLiteral("(leer)") : QStringLiteral("Favoriten"));
        a->setVisible(slot == 1);
        a->setEnabled(slot != 1);
    }
    item(1)->setEnabled(false);
}

void FavouritesMenu::showItem(int slot, const QString &caption)
{
    QAction *a = item(slot);
    // A caption is shown as it is: "&" is no mnemonic in a favourite's name.
    a->setText(QString(caption).replace(u'&', QStringLiteral("&&")));
    a->setVisible(true);
    a->setEnabled(true);
}

QString FavouritesMenu::brokenLinkText(const Favourite &favourite) const
{
    return favourite.datei + u'\n' + favourite.dir + u'\n' + u'\n' + BrokenLink + u'\n';
}

bool FavouritesMenu::fillAtStartup(bool linkCheck)
{
    if (!QFileInfo::exists(m_dataFile)) {
        return false;
    }
    bool broken = false;
    for (int slot = 1; slot <= FavouritesStore::MaxSlots; ++slot) {
        const Favourite favourite = FavouritesStore::read(m_dataFile, slot);
        if (favourite.isFree()) {
            item(slot)->setVisible(false);
            continue;
        }
        if (linkCheck && !FileExists(favourite.fullPath())) {
            const Prompts::Answer answer = Prompts::instance().message(
                m_window,
                brokenLinkText(favourite) + QStringLiteral("Soll der Eintrag in den Favoriten trotzdem eingeblendet "
                                                           "bleiben ? "),
                QStringLiteral(" ") + favourite.name, Prompts::Buttons::YesNoCancel, Prompts::Icon::Exclamation);
            if (answer == Prompts::Answer::Cancel) {
                break;
            }
            broken = true;
            if (answer == Prompts::Answer::No) {
                item(slot)->setVisible(false);
                continue;
            }
        }
        showItem(slot, favourite.name);
    }
    return broken;
}

void FavouritesMenu::addSelected()
{
    // A name that is not UTF-8 would be remembered under a path that leads
    // nowhere.
    if (!m_library->offerProperName()) {
        return;
    }
    const QString entry =
        m_library->isProjectView() ? m_library->entry(m_library->selectedIndex()).text : m_library->currentFileName();
    // Nothing selected: there is nothing to remember.
    if (entry.isEmpty()) {
        return;
    }
    const int slot = FavouritesStore::firstFreeSlot(m_dataFile);
    if (slot == 0) {
        Prompts::instance().message(
            m_window,
            QStringLiteral("Die maximale Anzahl von Einträgen in der Favoritenliste ist erreicht.  ") + u'\n' +
                QStringLiteral("Entfernen Sie unnötige Einträge um neue hinzufügen zu können.   "),
            QStringLiteral(" ") + m_window->windowTitle(), Prompts::Buttons::Ok, Prompts::Icon::Exclamation);
        return;
    }
    const Favourite favourite{FavouritesStore::displayName(entry), entry, m_library->folder()};
    if (!FavouritesStore::storable(favourite)) {
        // It would come back as a broken link or as a free slot.
        Prompts::instance().message(
            m_window,
            entry + QStringLiteral(" kann nicht in die Favoriten aufgenommen werden.  ") + u'\n' +
                QStringLiteral("Name oder Ordner enthalten einen Zeilenumbruch, bestehen nur aus Leerzeichen "
                               "oder sind zu lang.  "),
            QStringLiteral(" ") + m_window->windowTitle(), Prompts::Buttons::Ok, Prompts::Icon::Exclamation);
        return;
    }
    if (!FavouritesStore::write(m_dataFile, slot, favourite)) {
        // Shown now, it would be gone at the next start.
        Prompts::instance().message(
            m_window,
            favourite.name + QStringLiteral(" konnte nicht zu den Favoriten hinzugefügt werden. ") + u'\n' +
                QStringLiteral("Die Datei ") + QDir::toNativeSeparators(m_dataFile) +
                QStringLiteral(" kann nicht geschrieben werden. "),
            QStringLiteral(" ") + m_window->windowTitle(), Prompts::Buttons::Ok, Prompts::Icon::Critical);
        return;
    }
    showItem(slot, favourite.name);
}

void FavouritesMenu::open(int slot)
{
    const Favourite favourite = FavouritesStore::read(m_dataFile, slot);
    if (favourite.isFree()) {
        return;
    }
    const int view = FavouritesStore::viewFor(FavouritesStore::kindOf(favourite.datei));
    if (view >= 0 && m_library->checkedKind() != view) {
        m_library->selectKind(view);
        if (m_library->checkedKind() != view) {
            // The user kept unsaved changes: nothing else happens.
            return;
        }
    }
    const QString path = favourite.fullPath();
    const bool projects = m_library->isProjectView();
    if (projects ? !PathExists(path) : !QFileInfo(path).isFile()) {
        Prompts::instance().message(
            m_window,
            brokenLinkText(favourite) +
                QStringLiteral("Überprüfen Sie die Verknüpfung und korregieren oder entfernen den Eintrag.  "),
            QStringLiteral(" ") + favourite.name, Prompts::Buttons::Ok, Prompts::Icon::Critical);
        return;
    }
    // The entry that stands for the favourite's own file: its file name in
    // the listing (a class file's entry ends in a tab, so names alone would
    // match its module), the exact spelling before any other case. A
    // favourite of another folder has no entry.
    int index = -1;
    if (QFileInfo(favourite.dir) == QFileInfo(m_library->folder())) {
        QStringList names;
        if (projects) {
            names = m_library->entryTexts();
        } else if (m_library->files().size() == m_library->entryCount()) {
            names = m_library->files();
        }
        index = int(names.indexOf(favourite.datei));
        if (index < 0) {
            index = FindListIndex(names, favourite.datei);
            if (names.value(index).compare(favourite.datei, Qt::CaseInsensitive) != 0) {
                index = -1;
            }
        }
    }
    if (index >= 0) {
        // Loads it, unless the unsaved-changes question keeps the list where
        // it was.
        m_library->selectDocument(index);
        return;
    }
    // No entry stands for it: the list selects none, and saving writes to
    // the favourite's own file.
    const QString document = projects ? DocumentKinds::projectFilePath(path) : path;
    m_library->showExternalDocument(document, projects ? favourite.datei : favourite.name);
}
