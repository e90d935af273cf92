#include "ui/FilterBox.h"

#include "app/Settings.h"
#include "store/Data.h"
#include "ui/FilterHelpDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

namespace {
const char* const SavedFilterType = "saved_filter";
const char* const DefaultFilterSetting = "default_search_filter";
} // namespace

FilterBox::FilterBox(Kind kind, QWidget* parent)
    : QWidget(parent)
    , chooser(new QComboBox)
{
    chooser->setObjectName("filter");
    chooser->setEditable(true);
    chooser->setInsertPolicy(QComboBox::NoInsert);
    chooser->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    chooser->lineEdit()->setPlaceholderText("Filter: words, -excluded, mbr:192, mfs:10, mfif:3, isvbr, iscbr");
    chooser->lineEdit()->setClearButtonEnabled(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel("Filter:"));
    layout->addWidget(chooser, 1);

    auto* help = new QPushButton("?");
    help->setObjectName("filter_help_button");
    help->setToolTip("Filter Help");
    help->setFixedWidth(help->fontMetrics().horizontalAdvance("??") + 16);
    connect(help, &QPushButton::clicked, this, &FilterBox::ShowHelp);

    if (kind == Kind::Search) {
        saveButton = new QPushButton("Save Filter");
        saveButton->setObjectName("save_filter");
        connect(saveButton, &QPushButton::clicked, this, &FilterBox::SaveFilter);
        defaultBox = new QCheckBox("Default");
        defaultBox->setObjectName("default_filter");
        defaultBox->setToolTip("Start new searches with this filter");
        connect(defaultBox, &QCheckBox::toggled, this, &FilterBox::OnDefaultToggled);
        layout->addWidget(saveButton);
        layout->addWidget(defaultBox);
        FillSavedFilters();
        Type* saved = d.GetType(SavedFilterType);
        saved->itemCreated.Add(
            AddDataHandler(new EventHandler<FilterBox, ItemPtr>(this, &FilterBox::OnSavedFilterChanged)));
        saved->itemRemoved.Add(
            AddDataHandler(new EventHandler<FilterBox, ItemPtr>(this, &FilterBox::OnSavedFilterChanged)));
    }
    layout->addWidget(help);

    settle.setSingleShot(true);
    settle.setInterval(SettleMs);
    connect(&settle, &QTimer::timeout, this, &FilterBox::Apply);
    connect(chooser, &QComboBox::editTextChanged, this, &FilterBox::OnTextEdited);
    // A chosen saved filter and Enter need no settling.
    connect(chooser, QOverload<int>::of(&QComboBox::activated), this, &FilterBox::Apply);
    connect(chooser->lineEdit(), &QLineEdit::returnPressed, this, &FilterBox::Apply);
}

FilterBox::~FilterBox()
{
    RemoveDataHandlers();
}

QString FilterBox::Text() const
{
    return chooser->currentText();
}

void FilterBox::SetText(const QString& text)
{
    {
        const QSignalBlocker blocker(chooser);
        chooser->setEditText(text);
    }
    ShowDefaultState();
    Apply();
}

void FilterBox::OnTextEdited()
{
    ShowDefaultState();
    settle.start();
}

void FilterBox::Apply()
{
    settle.stop();
    const QString text = Text();
    if (text == applied)
        return;
    applied = text;
    emit FilterChanged(text);
}

void FilterBox::SaveFilter()
{
    const QString text = Text().trimmed();
    if (!text.isEmpty())
        d.GetType(SavedFilterType)->GetItem(Value(text));
}

void FilterBox::OnDefaultToggled(bool on)
{
    const QString text = Text().trimmed();
    if (on && !text.isEmpty())
        SetSetting(DefaultFilterSetting, text);
    else if (!on && GetSetting(DefaultFilterSetting) == text)
        SetSetting(DefaultFilterSetting, QString());
    ShowDefaultState();
}

void FilterBox::ShowHelp()
{
    FilterHelpDialog(this).exec();
}

void FilterBox::ShowDefaultState()
{
    if (!defaultBox)
        return;
    const QString text = Text().trimmed();
    const QSignalBlocker blocker(defaultBox);
    defaultBox->setChecked(!text.isEmpty() && GetSetting(DefaultFilterSetting) == text);
    defaultBox->setEnabled(!text.isEmpty() || defaultBox->isChecked());
}

void FilterBox::OnSavedFilterChanged(ItemPtr)
{
    // A removed filter is still in the store while it is being announced.
    QTimer::singleShot(0, this, &FilterBox::FillSavedFilters);
}

void FilterBox::FillSavedFilters()
{
    const QString text = Text();
    const QSignalBlocker blocker(chooser);
    chooser->clear();
    for (ItemPtr filter : g(SavedFilterType).SortAlphabetic(true))
        chooser->addItem(filter.AsString());
    chooser->setEditText(text);
}
