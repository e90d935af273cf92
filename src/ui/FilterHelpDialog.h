#ifndef UI_FILTERHELPDIALOG_H
#define UI_FILTERHELPDIALOG_H

#include <QDialog>

// "Filter Help": how to write the filter above search results and browsed
// shares.
class FilterHelpDialog : public QDialog
{
    Q_OBJECT
public:
    explicit FilterHelpDialog(QWidget* parent = nullptr);

    // The help text (rich text).
    static QString HelpText();
};

#endif
