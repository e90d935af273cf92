#include "ui/EventToolBar.h"

#include "app/Settings.h"
#include "server/Server.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "ui/ChatIcons.h"
#include "ui/EventSoundPlayer.h"
#include "ui/TabActivity.h"

#include <QAction>
#include <QApplication>
#include <QStackedWidget>
#include <QTabWidget>

EventToolBar* eventToolBar = nullptr;

namespace {

constexpr int AlertIntervalMs = 1000;

ItemPtr WidgetItem(const QWidget* widget)
{
    return d.GetType("event_toolbar_widget")->HasItem(Value(static_cast<const void*>(widget)));
}

// Shows the widget: every tab that holds it comes to the front.
void BringToFront(QWidget* widget)
{
    for (QWidget* page = widget; page; page = page->parentWidget()) {
        QWidget* stack = page->parentWidget();
        if (!qobject_cast<QStackedWidget*>(stack))
            continue;
        if (auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget()))
            tabs->setCurrentWidget(page);
    }
}

} // namespace

EventToolBar::EventToolBar(QWidget* alertWindow, QWidget* parent)
    : QToolBar("Events", parent)
    , window(alertWindow)
    , placeholder(new QAction(this))
    , sounds(new EventSoundPlayer(this))
{
    eventToolBar = this;
    setObjectName("events");
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    DeclareTypes();
    placeholder->setEnabled(false);
    addAction(placeholder);
    alertTimer.setInterval(AlertIntervalMs);
    connect(&alertTimer, &QTimer::timeout, this, &EventToolBar::OnIconAlertTimeout);
    connect(qApp, &QApplication::focusChanged, this, &EventToolBar::OnApplicationFocusChanged);
}

EventToolBar::~EventToolBar()
{
    if (eventToolBar == this)
        eventToolBar = nullptr;
}

void EventToolBar::DeclareTypes()
{
    Type* sound = d.NewType("event_sound", Primary, false, true);
    Type* soundFile = d.NewType("event_sound_file", Tertiary, false, true);
    sound->RelateToType(soundFile, Many, One, false);
    dataSaver->AddSavedType("event_sound");
    dataSaver->AddSavedByConnectionType("event_sound_file", "event_sound");
    Type* widget = d.NewType("event_toolbar_widget", Primary, false, true);
    Type* action = d.NewType("event_toolbar_action", Tertiary, false, true);
    widget->RelateToType(action, One, Many, false);
}

QString EventToolBar::SoundFileFor(const QString& kind)
{
    if (kind.isEmpty())
        return QString();
    Type* sound = d.GetType("event_sound");
    const QString own = sound->HasItem(Value(kind)).GetItem("event_sound_file").AsString();
    return own.isEmpty() ? sound->HasItem(Value("default")).GetItem("event_sound_file").AsString() : own;
}

void EventToolBar::AddEvent(const QString& title, const QIcon& icon, QWidget* widget, const QString& text,
                            const QString& kind, bool alwaysNotify)
{
    TabActivity::Mark(widget);
    const bool windowActive = window->isActiveWindow();
    if (!windowActive) {
        alertPosition = 0;
        alertTimer.start();
        const bool known = std::any_of(alertIcons.cbegin(), alertIcons.cend(),
                                       [&icon](const QIcon& other) { return other.cacheKey() == icon.cacheKey(); });
        if (!known)
            alertIcons.append(icon);
    }
    if (!windowActive || !widget->isVisible() || alwaysNotify) {
        if (!text.isEmpty())
            emit TrayMessage(title, text);
        const QString sound = SoundFileFor(kind);
        if (!sound.isEmpty()) {
            sounds->Play(sound);
            emit SoundPlayed(sound);
        }
    }
    if (!widget->isVisible() && IsSettingOn("show_event_buttons"))
        AddButton(title, icon, widget);
}

void EventToolBar::AddButton(const QString& title, const QIcon& icon, QWidget* widget)
{
    auto* action = new QAction(icon, title, this);
    addAction(action);
    ShowPlaceholder(false);
    ItemPtr widgetItem = d.GetType("event_toolbar_widget")->GetItem(Value(static_cast<const void*>(widget)));
    widgetItem += d.GetType("event_toolbar_action")->GetItem(Value(static_cast<const void*>(action)));
    connect(action, &QAction::triggered, this, [this, action, widget] { OnButtonTriggered(action, widget); });
    if (!watchedWidgets.contains(widget)) {
        watchedWidgets.insert(widget);
        connect(widget, &QObject::destroyed, this, [this, widget] {
            watchedWidgets.remove(widget);
            RemoveEvents(widget);
        });
    }
}

void EventToolBar::OnButtonTriggered(QAction* action, QWidget* widget)
{
    d.GetType("event_toolbar_action")->HasItem(Value(static_cast<const void*>(action))).Remove();
    action->deleteLater();
    removeAction(action);
    ShowPlaceholder(ButtonCount() == 0);
    BringToFront(widget);
    window->show();
    window->raise();
    window->activateWindow();
    widget->setFocus();
}

void EventToolBar::RemoveEvents(const QWidget* widget)
{
    ItemPtr widgetItem = WidgetItem(widget);
    if (!widgetItem)
        return;
    for (ItemPtr actionItem : widgetItem.GetItems("event_toolbar_action")) {
        auto* action = reinterpret_cast<QAction*>(quintptr(actionItem.AsUInt64()));
        removeAction(action);
        action->deleteLater();
    }
    widgetItem.GetItems("event_toolbar_action").Remove();
    widgetItem.Remove();
    ShowPlaceholder(ButtonCount() == 0);
}

int EventToolBar::ButtonCount() const
{
    return int(actions().size()) - 1;
}

void EventToolBar::ShowPlaceholder(bool shown)
{
    placeholder->setVisible(shown);
}

void EventToolBar::OnIconAlertTimeout()
{
    if (alertPosition < alertIcons.size()) {
        SetApplicationIcon(alertIcons.at(alertPosition++));
        return;
    }
    SetApplicationIcon(StateIcon());
    alertPosition = 0;
}

void EventToolBar::OnApplicationFocusChanged()
{
    alertTimer.stop();
    alertIcons.clear();
    SetApplicationIcon(StateIcon());
}

QIcon EventToolBar::StateIcon() const
{
    if (!gp_server || !gp_server->IsConnected())
        return ApplicationIcon(PresenceIcon::Offline);
    if (GetSetting("availability_status") != "available" && IsSettingOn("show_away_status_in_application_icon"))
        return ApplicationIcon(PresenceIcon::Away);
    return ApplicationIcon(PresenceIcon::Online);
}

void EventToolBar::ShowStateIcon()
{
    if (!alertTimer.isActive())
        SetApplicationIcon(StateIcon());
}

void EventToolBar::SetApplicationIcon(const QIcon& icon)
{
    window->setWindowIcon(icon);
    emit ApplicationIconChanged(icon);
}
