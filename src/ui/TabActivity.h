#ifndef UI_TABACTIVITY_H
#define UI_TABACTIVITY_H

class QWidget;

// Marks of new activity on tabs: every tab that holds the widget and is not
// the one shown turns red and counts the events since it was last shown
// ("lobby (3)"). Showing the tab clears its mark.
namespace TabActivity {

void Mark(QWidget* widget);

} // namespace TabActivity

#endif
