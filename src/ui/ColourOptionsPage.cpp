#include "ui/ColourOptionsPage.h"

#include "app/Settings.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

// Each colour with the colours its sample is drawn in: the foreground on the
// background, one of which is the colour itself.
const struct
{
    const char* setting;
    const char* label;
    const char* background;
    const char* foreground;
    const char* sample;
    bool palette;
} Colours[] = {
    {"color_window_background", "Window background", "color_window_background", "color_window_text", "Window text",
     true},
    {"color_window_text", "Window text", "color_window_background", "color_window_text", "Window text", true},
    {"color_input_background", "Input background", "color_input_background", "color_input_text", "Typed text", true},
    {"color_input_text", "Input text", "color_input_background", "color_input_text", "Typed text", true},
    {"color_button_background", "Button background", "color_button_background", "color_button_text", "Button text",
     true},
    {"color_button_text", "Button text", "color_button_background", "color_button_text", "Button text", true},
    {"color_chat_username", "User names in chat", "color_input_background", "color_chat_username", "[alice]", false},
    {"color_chat_timestamp", "Chat time stamps", "color_input_background", "color_chat_timestamp", "[12:34:56]", false},
    {"color_chat_status", "Chat status lines", "color_input_background", "color_chat_status", "* alice joined the room",
     false},
    {"color_transfer_queued", "Queued transfers", "color_input_background", "color_transfer_queued", "Queued", false},
    {"color_transfer_in_progress", "Transfers in progress", "color_input_background", "color_transfer_in_progress",
     "Downloading", false},
    {"color_transfer_complete", "Finished transfers", "color_input_background", "color_transfer_complete", "Complete",
     false},
    {"color_transfer_failed", "Failed transfers", "color_input_background", "color_transfer_failed", "Aborted", false},
    {"color_transfer_other", "Other transfers", "color_input_background", "color_transfer_other", "Denied", false},
};

// An unset or unreadable setting (after a failed load) shows as black.
QColor StoredColour(const char* setting)
{
    const QColor stored(GetSetting(setting));
    return stored.isValid() ? stored : QColor(Qt::black);
}

QPixmap Swatch(const QColor& colour)
{
    QPixmap swatch(16, 16);
    swatch.fill(colour);
    QPainter painter(&swatch);
    painter.setPen(Qt::gray);
    painter.drawRect(0, 0, 15, 15);
    return swatch;
}

} // namespace

ColourOptionsPage::ColourOptionsPage(QWidget* parent)
    : QWidget(parent)
{
    auto* grid = new QGridLayout;
    int row = 0;
    for (const auto& colour : Colours) {
        const QString setting = colour.setting;
        auto* button = new QPushButton;
        button->setObjectName("choose_" + setting);
        button->setToolTip("Choose a colour");
        auto* sample = new QLabel(colour.sample);
        sample->setObjectName("sample_" + setting);
        sample->setMargin(3);
        sample->setMinimumWidth(180);
        grid->addWidget(new QLabel(QString(colour.label) + ":"), row, 0);
        grid->addWidget(button, row, 1);
        grid->addWidget(sample, row, 2);
        buttons.insert(setting, button);
        samples.insert(setting, sample);
        connect(button, &QPushButton::clicked, this, [this, setting] { Choose(setting); });
        ++row;
    }
    grid->setColumnStretch(3, 1);
    auto* rows = new QWidget;
    auto* rowsLayout = new QVBoxLayout(rows);
    rowsLayout->addLayout(grid);
    rowsLayout->addStretch(1);
    // Scrolled, so that the list does not set a tall minimum on the window.
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(rows);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
}

QStringList ColourOptionsPage::Settings()
{
    QStringList settings;
    for (const auto& colour : Colours)
        settings << colour.setting;
    return settings;
}

bool ColourOptionsPage::IsPaletteSetting(const QString& setting)
{
    for (const auto& colour : Colours)
        if (setting == colour.setting)
            return colour.palette;
    return false;
}

void ColourOptionsPage::LoadSettings()
{
    ShowColours();
}

void ColourOptionsPage::Choose(const QString& setting)
{
    const QColor chosen = QColorDialog::getColor(QColor(GetSetting(setting)), this, "Choose a Colour");
    if (chosen.isValid())
        SetColour(setting, chosen);
}

void ColourOptionsPage::SetColour(const QString& setting, const QColor& colour)
{
    if (!colour.isValid())
        return;
    SetSetting(setting, colour.name(QColor::HexRgb).toLower());
    ShowColours();
    if (IsPaletteSetting(setting))
        emit PaletteColourChanged();
}

void ColourOptionsPage::ShowColours()
{
    for (const auto& colour : Colours) {
        const QColor own = StoredColour(colour.setting);
        QPushButton* button = buttons.value(colour.setting);
        button->setIcon(Swatch(own));
        button->setText(own.name());
        // A style sheet rather than the palette: the application palette,
        // which these very settings change, would otherwise win.
        samples.value(colour.setting)
            ->setStyleSheet(QString("QLabel { background-color: %1; color: %2; }")
                                .arg(StoredColour(colour.background).name(), StoredColour(colour.foreground).name()));
    }
}
