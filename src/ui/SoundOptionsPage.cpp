#include "ui/SoundOptionsPage.h"

#include "store/Data.h"
#include "ui/EventSoundPlayer.h"
#include "ui/EventToolBar.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const struct
{
    const char* kind;
    const char* label;
} Kinds[] = {
    {"default", "Any other event:"},
    {"private_chat", "Private message:"},
    {"user_online", "User comes online:"},
    {"download", "Download finished:"},
    {"wishlist", "Wish list result:"},
    {"browse", "Someone browses your files:"},
    {"user_info", "Someone asks for your info:"},
};

} // namespace

SoundOptionsPage::SoundOptionsPage(QWidget* parent)
    : QWidget(parent)
    , player(new EventSoundPlayer(this))
{
    auto* form = new QFormLayout(this);
    auto* note = new QLabel("Sounds play when an event happens while Quillmer is in the background or the window "
                            "concerned is out of sight (WAV files). An event set to None plays the sound for any other "
                            "event; with None there too, nothing is heard.");
    note->setWordWrap(true);
    form->addRow(note);
    for (const auto& entry : Kinds) {
        const QString kind = entry.kind;
        auto* edit = new QLineEdit;
        edit->setObjectName("sound_" + kind);
        edit->setPlaceholderText(kind == "default" ? "no sound" : "the sound for any other event");
        auto* choose = new QPushButton("Choose...");
        auto* play = new QPushButton("Play");
        play->setObjectName("play_" + kind);
        auto* none = new QPushButton("None");
        none->setObjectName("none_" + kind);
        auto* row = new QHBoxLayout;
        row->addWidget(edit);
        row->addWidget(choose);
        row->addWidget(play);
        row->addWidget(none);
        form->addRow(entry.label, row);
        fileEdits.insert(kind, edit);
        connect(edit, &QLineEdit::textEdited, this,
                [kind](const QString& text) { SetSoundFile(kind, text.trimmed()); });
        connect(choose, &QPushButton::clicked, this, [this, kind] { ChooseFile(kind); });
        connect(play, &QPushButton::clicked, this, [this, kind] { Play(kind); });
        connect(none, &QPushButton::clicked, this, [this, kind] { SetNone(kind); });
    }
}

void SoundOptionsPage::LoadSettings()
{
    Type* sounds = d.GetType("event_sound");
    for (auto edit = fileEdits.cbegin(); edit != fileEdits.cend(); ++edit)
        edit.value()->setText(sounds->HasItem(Value(edit.key())).GetItem("event_sound_file").AsString());
}

void SoundOptionsPage::SetSoundFile(const QString& kind, const QString& path)
{
    ItemPtr sound = d.GetType("event_sound")->GetItem(Value(kind));
    if (path.isEmpty())
        sound.Disconnect("event_sound_file");
    else
        sound += d.GetType("event_sound_file")->GetItem(Value(path));
}

void SoundOptionsPage::ChooseFile(const QString& kind)
{
    QLineEdit* edit = fileEdits.value(kind);
    const QString path = QFileDialog::getOpenFileName(this, "Choose a Sound", QFileInfo(edit->text()).path(),
                                                      "Sounds (*.wav);;All files (*)");
    if (path.isEmpty())
        return;
    edit->setText(path);
    SetSoundFile(kind, path);
}

void SoundOptionsPage::Play(const QString& kind)
{
    // What the event would play: its own sound, else the default one.
    player->Play(EventToolBar::SoundFileFor(kind));
}

void SoundOptionsPage::SetNone(const QString& kind)
{
    fileEdits.value(kind)->clear();
    SetSoundFile(kind, QString());
}
