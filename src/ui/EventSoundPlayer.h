#ifndef UI_EVENTSOUNDPLAYER_H
#define UI_EVENTSOUNDPLAYER_H

#include <QObject>
#include <QString>

class QSoundEffect;

// Plays the sound file of an event. Without a sound device, or with a file
// that cannot be played, nothing is heard and nothing else happens.
class EventSoundPlayer : public QObject
{
    Q_OBJECT
public:
    explicit EventSoundPlayer(QObject* parent = nullptr);

    void Play(const QString& path);

private slots:
    void OnStatusChanged();

private:
    // Made on the first sound, so that a run that plays none never loads the
    // sound back end.
    QSoundEffect* effect = nullptr;
    bool playWhenReady = false;
};

#endif
