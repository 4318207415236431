#pragma once

#include "Settings.h"

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;

// The options dialog: eight switches stored as numbers in the key store.
class Optionen final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Optionen)

public:
    struct Box
    {
        const char16_t *name;          // object name of the check box
        const char16_t *caption;       // its caption
        const Settings::Switch &value; // the stored switch
    };
    // In their order on screen, in the tab order and in the order of saving.
    static const std::array<Box, 8> Boxes;

    // help is asked for the help topic of this dialog (BHilfe).
    explicit Optionen(std::function<void(QWidget *)> help = {}, QWidget *parent = nullptr);

    QCheckBox *box(const QString &name) const;

Q_SIGNALS:
    // Ok stored the values; the picture pane is to be hidden when hidePicture.
    void applied(bool hidePicture);

private:
    void load();
    void save();

    std::array<QCheckBox *, 8> m_boxes{};
    std::array<bool, 8> m_shown{};  // as loaded: only what the user changed is written
    std::array<bool, 8> m_stored{}; // false: the default was shown, nothing stored

    std::function<void(QWidget *)> m_help;
};
