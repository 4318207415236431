#include "WebView.h"

#include "TextFile.h"

#include <QFile>
#include <QFileInfo>

WebView::WebView(QWidget *parent) : QTextBrowser(parent)
{
    setObjectName(QStringLiteral("WebBrowser"));
    setReadOnly(true);
    setOpenExternalLinks(false);
    setOpenLinks(false);
}

void WebView::navigate(const QUrl &url)
{
    if (!url.isLocalFile()) {
        navigateBlank();
        return;
    }
    const TextFile::ReadResult result = TextFile::read(url.toLocalFile());
    m_url = url;
    if (!result.ok) {
        setPlainText(result.error);
        return;
    }
    const QString &text = result.content.text;
    if (looksLikeHtml(text.left(1024).toUtf8())) {
        document()->setBaseUrl(url);
        setHtml(text);
    } else {
        setPlainText(text);
    }
}

void WebView::navigateBlank()
{
    m_url = QUrl(QStringLiteral("about:blank"));
    clear();
}

QVariant WebView::loadResource(int type, const QUrl &name)
{
    // Pictures and style sheets next to a local document may load; anything
    // that would need the network stays out.
    const QUrl resolved = m_url.isLocalFile() ? m_url.resolved(name) : name;
    if (!resolved.isLocalFile()) {
        return {};
    }
    return QTextBrowser::loadResource(type, resolved);
}

bool WebView::looksLikeHtml(const QByteArray &head)
{
    const QByteArray lower = head.trimmed().toLower();
    return lower.startsWith("<!doctype html") || lower.startsWith("<html") || lower.contains("<html") ||
           lower.contains("<body");
}
