#ifndef UI_APPLICATIONSTYLE_H
#define UI_APPLICATIONSTYLE_H

#include <QString>

// "Plastique" where the style plugin is installed, else "Fusion".
QString PreferredStyleName();

// Sets the preferred style on the running application.
void ApplyPreferredStyle();

#endif
