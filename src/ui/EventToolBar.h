#ifndef UI_EVENTTOOLBAR_H
#define UI_EVENTTOOLBAR_H

#include "store/Events.h"
#include "store/ItemPtr.h"

#include <QIcon>
#include <QList>
#include <QSet>
#include <QTimer>
#include <QToolBar>

class EventSoundPlayer;
class QAction;

// Tells the user of events (a private message, a user coming online, a
// finished download, ...): marks the tab of the widget concerned, makes the
// application icon blink while the main window is in the background, shows a
// tray message, plays the event's sound and keeps a button on this tool bar
// until the user looks at the widget.
class EventToolBar : public QToolBar, public DataHandler
{
    Q_OBJECT
public:
    // Declares the event types; the configuration store must exist. The
    // window is the one whose activity matters.
    explicit EventToolBar(QWidget* window, QWidget* parent = nullptr);
    ~EventToolBar() override;

    // alwaysNotify also gives the tray message and the sound while the widget
    // is on screen in the active window (presence alerts, which change
    // nothing else that catches the eye).
    void AddEvent(const QString& title, const QIcon& icon, QWidget* widget, const QString& text, const QString& kind,
                  bool alwaysNotify);
    // Removes the buttons of the widget's events.
    void RemoveEvents(const QWidget* widget);

    // The sound of the kind ("private_chat", "wishlist", "browse", "download",
    // "user_online", "user_info"), else the "default" sound; empty for none.
    static QString SoundFileFor(const QString& kind);
    // The icon for the connection and away state.
    QIcon StateIcon() const;
    // Shows it, unless the icon is blinking for new events.
    void ShowStateIcon();
    // Number of event buttons.
    int ButtonCount() const;
    bool IsAlerting() const { return alertTimer.isActive(); }

signals:
    void TrayMessage(QString title, QString text);
    void SoundPlayed(QString path);
    void ApplicationIconChanged(QIcon icon);

public slots:
    void OnIconAlertTimeout();
    void OnApplicationFocusChanged();

private:
    void DeclareTypes();
    void AddButton(const QString& title, const QIcon& icon, QWidget* widget);
    void OnButtonTriggered(QAction* action, QWidget* widget);
    void ShowPlaceholder(bool shown);
    void SetApplicationIcon(const QIcon& icon);

    QWidget* window;
    QAction* placeholder;
    EventSoundPlayer* sounds;
    QTimer alertTimer;
    QList<QIcon> alertIcons;
    int alertPosition = 0;
    QSet<const QWidget*> watchedWidgets;
};

extern EventToolBar* eventToolBar;

#endif
