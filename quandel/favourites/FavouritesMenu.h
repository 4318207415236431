#pragma once

#include "FavouritesStore.h"

#include <QObject>

#include <array>
#include <functional>

class DocumentLibrary;
class QAction;
class QMenu;
class QWidget;

// The favourites menu of the main window: adding the shown document, opening
// a favourite, and the menu's start-up fill with its check for broken links.
class FavouritesMenu final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FavouritesMenu)

public:
    FavouritesMenu(QWidget *window, QMenu *menu, DocumentLibrary *library, QString dataFile, QObject *parent = nullptr);

    // Fills the menu from the data file. With linkCheck, every favourite
    // whose file is missing is reported; true when the user answered such a
    // question with Yes or No.
    bool fillAtStartup(bool linkCheck);

    // mnuhinzufügen: adds the selected document.
    void addSelected();
    // mnuFavoriten(slot): opens favourite slot.
    void open(int slot);

    // Puts the menu back to its initial state: entry 1 "(leer)" disabled,
    // the others hidden.
    void resetItems();
    // Shows slot's entry with the caption.
    void showItem(int slot, const QString &caption);

    QAction *item(int slot) const { return m_items.at(size_t(slot - 1)); }
    QAction *addAction() const { return m_add; }
    QAction *manageAction() const { return m_manage; }
    QString dataFile() const { return m_dataFile; }

private:
    QString brokenLinkText(const Favourite &favourite) const;

    QWidget *m_window = nullptr;
    DocumentLibrary *m_library = nullptr;
    QString m_dataFile;
    QAction *m_add = nullptr;
    QAction *m_manage = nullptr;
    std::array<QAction *, FavouritesStore::MaxSlots> m_items{};
};
