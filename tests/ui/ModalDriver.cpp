#include "ModalDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace {
constexpr int PollIntervalMs = 10;
constexpr int MaxPolls = 3000;
} // namespace

ModalDriver::ModalDriver(QObject* parent)
    : QObject(parent)
    , pollsLeft(MaxPolls)
{
    timer.setInterval(PollIntervalMs);
    connect(&timer, &QTimer::timeout, this, &ModalDriver::Poll);
}

void ModalDriver::Then(Step step)
{
    steps.append(std::move(step));
    timer.start();
}

void ModalDriver::ThenPress(int standardButton)
{
    Then([standardButton](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (!box) {
            widget->close();
            return;
        }
        if (QAbstractButton* button = box->button(QMessageBox::StandardButton(standardButton)))
            button->click();
        else
            box->close();
    });
}

void ModalDriver::Poll()
{
    if (--pollsLeft <= 0) {
        timer.stop();
        return;
    }
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible())
        return;
    for (const QPointer<QWidget>& done : handled) {
        if (done == modal)
            return;
    }
    handled.append(modal);
    titles.append(modal->windowTitle());
    auto* box = qobject_cast<QMessageBox*>(modal);
    texts.append(box ? box->text() : QString());
    if (steps.isEmpty()) {
        // Not expected: close it so that the test fails on what it saw
        // rather than waiting for the user forever.
        modal->close();
        return;
    }
    const Step step = steps.takeFirst();
    step(modal);
}
