#include "ui/EventSoundPlayer.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

EventSoundPlayer::EventSoundPlayer(QObject* parent)
    : QObject(parent)
{
}

void EventSoundPlayer::Play(const QString& path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return;
    if (!effect) {
        effect = new QSoundEffect(this);
        connect(effect, &QSoundEffect::statusChanged, this, &EventSoundPlayer::OnStatusChanged);
    }
    const QUrl source = QUrl::fromLocalFile(path);
    if (effect->source() == source && effect->status() == QSoundEffect::Ready) {
        effect->play();
        return;
    }
    // A new file loads in the background and plays once it is ready.
    playWhenReady = true;
    effect->setSource(source);
}

void EventSoundPlayer::OnStatusChanged()
{
    if (effect->status() == QSoundEffect::Ready && playWhenReady)
        effect->play();
    if (effect->status() != QSoundEffect::Loading)
        playWhenReady = false;
}
