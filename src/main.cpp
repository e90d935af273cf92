#include "ui/ApplicationIcon.h"
#include "ui/ApplicationStyle.h"
#include "ui/MainWindow.h"
#include "ui/SingleInstanceGuard.h"
#include "ui/TerminationSignalWatcher.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName("QuillmerQt");
    // Lets the desktop match the window to the installed launcher and its icon.
    QGuiApplication::setDesktopFileName("quillmer");
    // Watching from the start: a termination at any later point still ends
    // in the orderly shut-down.
    TerminationSignalWatcher terminationWatcher;

    // A second copy leaves at once and says nothing to the first.
    const SingleInstanceGuard guard;
    if (!guard.IsOnlyInstance())
        return 0;

    ApplyPreferredStyle();
    QApplication::setWindowIcon(ApplicationIcon());
    // Closing to the tray hides the window, after which closing any dialog
    // would count as closing the last window: the main window decides.
    QApplication::setQuitOnLastWindowClosed(false);

    bool quitting = false;
    const auto quit = [&quitting] {
        quitting = true;
        // Leaves every running event loop, dialogs included, and makes the
        // ones opened after it return at once.
        QCoreApplication::exit(0);
    };
    QObject::connect(&terminationWatcher, &TerminationSignalWatcher::TerminationRequested, quit);

    int result = 0;
    {
        MainWindow window;
        QObject::connect(&window, &MainWindow::QuitRequested, quit);
        window.show();
        window.Init();
        if (!quitting)
            result = app.exec();
    }
    return result;
}
