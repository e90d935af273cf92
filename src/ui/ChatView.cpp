#include "ui/ChatView.h"

#include "ui/ChatText.h"
#include "ui/UserMenu.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QMenu>
#include <QScrollBar>
#include <QTextBlock>

namespace {

// Kept on the line's block; lines put back after trimming have none.
class Speaker : public QTextBlockUserData
{
public:
    explicit Speaker(const QString& speakerName)
        : name(speakerName)
    {
    }
    const QString name;
};

} // namespace

ChatView::ChatView(bool isBounded, QWidget* parent)
    : QTextBrowser(parent)
    , bounded(isBounded)
{
    setOpenLinks(false);
    setReadOnly(true);
    connect(this, &QTextBrowser::anchorClicked, this, &ChatView::OnLinkClicked);
}

void ChatView::AppendHtml(const QString& html, const QString& speaker)
{
    if (bounded)
        DropOldestText();
    // A read-only view keeps its place, or follows when it was at the end.
    append(html);
    if (!speaker.isEmpty())
        document()->lastBlock().setUserData(new Speaker(speaker));
}

QString ChatView::SpeakerAt(const QPoint& position) const
{
    const auto* speaker = static_cast<const Speaker*>(cursorForPosition(position).block().userData());
    return speaker ? speaker->name : QString();
}

void ChatView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu(event->pos());
    const QString speaker = SpeakerAt(event->pos());
    if (!speaker.isEmpty()) {
        auto* userMenu = new UserMenu(speaker, menu);
        userMenu->setTitle(speaker);
        menu->addSeparator();
        menu->addMenu(userMenu);
    }
    menu->exec(event->globalPos());
    delete menu;
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
