#ifndef UI_COLOUROPTIONSPAGE_H
#define UI_COLOUROPTIONSPAGE_H

#include <QColor>
#include <QMap>
#include <QWidget>

class QLabel;
class QPushButton;

// The "Colours" page of the options: every colour setting with a button that
// shows the colour and opens a colour picker, and a sample of text drawn as
// the colour will be used (window, input and button text on their
// backgrounds; chat names, times and status lines, and transfer states on the
// input background).
class ColourOptionsPage : public QWidget
{
    Q_OBJECT
public:
    explicit ColourOptionsPage(QWidget* parent = nullptr);

    // Shows the stored colours.
    void LoadSettings();
    // Stores the colour as #rrggbb and shows it.
    void SetColour(const QString& setting, const QColor& colour);

    QPushButton* ChooseButton(const QString& setting) const { return buttons.value(setting); }
    QLabel* Sample(const QString& setting) const { return samples.value(setting); }
    // The colour settings, in the order shown.
    static QStringList Settings();
    // Whether the setting is one of the application palette's.
    static bool IsPaletteSetting(const QString& setting);

signals:
    // A window, input or button colour changed: the palette must be built again.
    void PaletteColourChanged();

private:
    void Choose(const QString& setting);
    void ShowColours();

    QMap<QString, QPushButton*> buttons;
    QMap<QString, QLabel*> samples;
};

#endif
