#pragma once

#include <QFrame>

class QLabel;
class QSvgWidget;

// The picture pane beside the document list: decoration, plus one gesture:
// the right mouse button on it asks for the web view to be switched.
class PicturePane final : public QFrame
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PicturePane)

public:
    explicit PicturePane(QWidget *parent = nullptr);

    // Places the artwork (in pixels, relative to the pane).
    void placePictures(const QRect &rect);
    int picturesHeight() const;

Q_SIGNALS:
    void rightButtonPressed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QSvgWidget *m_pictures = nullptr; // Pictures
    QLabel *m_caption = nullptr;      // Liptures
};
