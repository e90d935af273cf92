#ifndef UI_USERNOTEDIALOG_H
#define UI_USERNOTEDIALOG_H

#include "store/ItemPtr.h"

#include <QDialog>

class QPlainTextEdit;

// The note on a user, as plain text. Saving an empty note removes it.
class UserNoteDialog : public QDialog
{
    Q_OBJECT
public:
    UserNoteDialog(ItemPtr user, QWidget* parent = nullptr);

    QPlainTextEdit* NoteEdit() const { return noteEdit; }

public slots:
    void accept() override;

private:
    ItemPtr user;
    QPlainTextEdit* noteEdit;
};

#endif
