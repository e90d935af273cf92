#include "ui/FilterHelpDialog.h"

#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QVBoxLayout>

FilterHelpDialog::FilterHelpDialog(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle("Filter Help");
    setObjectName("filter_help");
    auto* text = new QTextBrowser;
    text->setObjectName("filter_help_text");
    text->setOpenLinks(false);
    text->setHtml(HelpText());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
    resize(560, 520);
}

QString FilterHelpDialog::HelpText()
{
    return QStringLiteral(
        "<h3>Filtering results</h3>"
        "<p>Type words separated by spaces into the filter box. Only the files whose name, or the name of whose "
        "folder, contains every word are shown; upper and lower case do not matter. The words may be split "
        "between the two: with the filter <b>beatles help</b>, the file <i>Help.mp3</i> in the folder "
        "<i>The Beatles</i> is shown.</p>"
        "<p>A word with a dash in front of it, such as <b>-live</b>, hides every file whose name or folder "
        "contains it.</p>"
        "<h3>Conditions</h3>"
        "<table cellspacing='4'>"
        "<tr><td><b>minbitrate:</b><i>number</i></td><td>only files of at least that many kbit/s "
        "(<b>minbitrate:192</b>); files of unknown bitrate are hidden</td></tr>"
        "<tr><td><b>minfilesize:</b><i>number</i></td><td>only files of at least that many megabytes "
        "(<b>minfilesize:10</b>: 10,000,000 bytes)</td></tr>"
        "<tr><td><b>minfilesinfolder:</b><i>number</i></td><td>only folders in which at least that many "
        "files are shown</td></tr>"
        "<tr><td><b>isvbr</b></td><td>only files of variable bitrate</td></tr>"
        "<tr><td><b>iscbr</b></td><td>only files of constant bitrate</td></tr>"
        "</table>"
        "<p>Shorthands: <b>mbr:</b> for minbitrate:, <b>mfs:</b> for minfilesize: and <b>mfif:</b> for "
        "minfilesinfolder:. The conditions are written in lower case; a number that cannot be read switches the "
        "condition off.</p>"
        "<p>Example: <b>beatles -live mbr:192 mfif:5</b> shows folders with at least five files of The Beatles "
        "at 192 kbit/s or more, without live recordings.</p>");
}
