#ifndef TESTS_UI_MODALDRIVER_H
#define TESTS_UI_MODALDRIVER_H

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>

class QWidget;

// Answers the modal dialogs that the code under test opens with exec(), one
// step per dialog in the order they appear. Each step must close its dialog;
// dialogs beyond the steps are closed and recorded too.
// It polls the active modal widget from a timer that also runs inside the
// dialogs' own event loops, and gives up after a bounded number of polls.
class ModalDriver : public QObject
{
    Q_OBJECT
public:
    using Step = std::function<void(QWidget*)>;

    explicit ModalDriver(QObject* parent = nullptr);

    void Then(Step step);
    // Steps for message boxes: press the given button.
    void ThenPress(int standardButton);

    bool AllDone() const { return steps.isEmpty(); }
    // Window title and message-box text of every dialog met, in order.
    const QStringList& Titles() const { return titles; }
    const QStringList& Texts() const { return texts; }

private slots:
    void Poll();

private:
    QTimer timer;
    QList<Step> steps;
    QList<QPointer<QWidget>> handled;
    QStringList titles;
    QStringList texts;
    int pollsLeft;
};

#endif
