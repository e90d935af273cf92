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
    QScrollBar* bar = verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    const int position = bar->value();
    if (bounded)
        DropOldestText();
    append(html);
    if (following)
        bar->setValue(bar->maximum());
    else
        bar->setValue(qMin(position, bar->maximum()));
}

void ChatView::DropOldestText()
{
    const QString kept = ChatText::TrimmedRoomHtml(toHtml());
    if (kept.isNull())
        return;
    setUpdatesEnabled(false);
    clear();
    setHtml(kept);
    setUpdatesEnabled(true);
}

void ChatView::OnLinkClicked(const QUrl& url)
{
    // Only web addresses become links in chat.
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
        QDesktopServices::openUrl(url);
}
