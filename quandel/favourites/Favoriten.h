#pragma once

#include <QDialog>

class DragListWidget;
class FavouritesMenu;
class QLineEdit;
class QListWidgetItem;
class QPushButton;
class QTimer;
class Tooltips_Class;

// The favourites manager: rename, delete and reorder the favourites. The list
// is a working copy; only Ok writes the data file and rebuilds the menu.
class Favoriten final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Favoriten)

public:
    // The entry's three fields (name, Datei, Dir) as a string list. A name
    // or a file name may hold a TAB, so a joined text could not be split
    // back; and a name may end in "***" of its own, so the broken-link marker
    // lives in the shown text only, never in the name field.
    static constexpr int EntryRole = Qt::UserRole + 1;
    static QString brokenMarker() { return QStringLiteral("***"); }

    Favoriten(FavouritesMenu *menu, QWidget *mainWindow);
    ~Favoriten() override;

    // Ends an edit when the user has moved in the list meanwhile.
    void DataIndexCheck();

    bool isEditing() const;
    bool tooltipsOn() const { return m_toolTips; }
    Tooltips_Class *tooltips() const { return m_tips; }
    QString selectedName() const { return m_name; }
    bool selectedIsBroken() const { return m_error; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void load();
    void selectionChanged();
    void showEntryTip();
    void attachDragHint();
    void startEdit();
    void applyName();
    void cancelEdit();
    void deleteEntry();
    void moveUp();
    void moveDown();
    void stateUpdate();
    void save();
    void unload();
    void appendEntry(const QString &name, const QString &datei, const QString &dir, bool broken);

    FavouritesMenu *m_menu = nullptr;
    DragListWidget *m_list = nullptr; // LDaten
    QLineEdit *m_edit = nullptr;      // TName
    QPushButton *m_ready = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_apply = nullptr;
    QPushButton *m_editButton = nullptr;
    QPushButton *m_remove = nullptr;
    QPushButton *m_up = nullptr;
    QPushButton *m_down = nullptr;
    QTimer *m_timer = nullptr; // Timer1
    Tooltips_Class *m_tips = nullptr;

    // The selected entry's fields.
    QString m_name;
    QString m_datei;
    QString m_dir;
    bool m_error = false;
    bool m_toolTips = true;
    bool m_unloaded = false;
};
