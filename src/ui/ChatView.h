#ifndef UI_CHATVIEW_H
#define UI_CHATVIEW_H

#include <QTextBrowser>

// The read-only view of a chat: lines of HTML appended at the end. It follows
// new lines unless the user has scrolled up to read older ones, and opens
// links with the desktop's handler. A bounded view (a room's) drops its
// oldest text once its HTML grows past the bound. A line of a user offers that
// user's menu.
class ChatView : public QTextBrowser
{
    Q_OBJECT
public:
    explicit ChatView(bool bounded, QWidget* parent = nullptr);

    // The speaker, when given, is the user whose menu the line offers.
    void AppendHtml(const QString& html, const QString& speaker = QString());
    // The speaker of the line at the point of the view, or empty.
    QString SpeakerAt(const QPoint& position) const;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private slots:
    void OnLinkClicked(const QUrl& url);

private:
    void DropOldestText();

    bool bounded;
};

#endif
