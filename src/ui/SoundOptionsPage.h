#ifndef UI_SOUNDOPTIONSPAGE_H
#define UI_SOUNDOPTIONSPAGE_H

#include <QMap>
#include <QWidget>

class EventSoundPlayer;
class QLineEdit;

// The "Sounds" page of the options: a sound file for each kind of event, and
// the default sound for the kinds without one. Writes the "event_sound_file"
// of each "event_sound" on every change. Each kind can be played as it will
// sound, and set to none (which leaves it to the default sound).
class SoundOptionsPage : public QWidget
{
    Q_OBJECT
public:
    // Needs the event types (the event tool bar declares them).
    explicit SoundOptionsPage(QWidget* parent = nullptr);

    // Shows the stored files.
    void LoadSettings();
    QLineEdit* FileEdit(const QString& kind) const { return fileEdits.value(kind); }

    static void SetSoundFile(const QString& kind, const QString& path);

private:
    void ChooseFile(const QString& kind);
    void Play(const QString& kind);
    void SetNone(const QString& kind);

    QMap<QString, QLineEdit*> fileEdits;
    EventSoundPlayer* player;
};

#endif
