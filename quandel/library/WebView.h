#pragma once

#include <QTextBrowser>
#include <QUrl>

// The read-only rendered view of a document. HTML content is shown as HTML,
// anything else as plain text. It never reaches the network and runs no
// scripts: only local files are ever loaded.
class WebView final : public QTextBrowser
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebView)

public:
    explicit WebView(QWidget *parent = nullptr);

    // Shows the local file behind url; a non-local url shows an empty page.
    void navigate(const QUrl &url);
    // An empty page.
    void navigateBlank();

    QUrl currentUrl() const { return m_url; }

    QVariant loadResource(int type, const QUrl &name) override;

    // True when the bytes look like an HTML document.
    static bool looksLikeHtml(const QByteArray &head);

private:
    QUrl m_url;
};
