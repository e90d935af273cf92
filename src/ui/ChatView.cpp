#include "ui/ChatView.h"

#include "ui/ChatText.h"

#include <QDesktopServices>
#include <QScrollBar>

ChatView::ChatView(bool isBounded, QWidget* parent)
    : QTextBrowser(parent)
    , bounded(isBounded)
{
    setOpenLinks(false);
    setReadOnly(true);
    connect(this, &QTextBrowser::anchorClicked, this, &ChatView::OnLinkClicked);
}

void ChatView::AppendHtml(const QString& html)
{
    if (bounded)
        DropOldestText();
    // A read-only view keeps its place, or follows when it was at the end.
    append(html);
}

void ChatView::DropOldestText()
{
    const QString kept = ChatText::TrimmedRoomHtml(toHtml());
    if (kept.isNull())
        return;
    QScrollBar* bar = verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    setUpdatesEnabled(false);
    clear();
    setHtml(kept);
    if (following)
        bar->setValue(bar->maximum());
    setUpdatesEnabled(true);
}

void ChatView::OnLinkClicked(const QUrl& url)
{
    // Only web addresses become links in chat.
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
        QDesktopServices::openUrl(url);
}
