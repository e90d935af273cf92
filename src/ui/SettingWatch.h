#ifndef UI_SETTINGWATCH_H
#define UI_SETTINGWATCH_H

#include "store/Events.h"
#include "store/ItemPtr.h"

#include <QStringList>

#include <functional>

// Calls back whenever one of the named settings gets a value (written by a
// window, by the defaults or by loading the configuration file), so that the
// widgets showing them follow.
class SettingWatch : public DataHandler
{
public:
    // The settings schema must be declared.
    SettingWatch(const QStringList& settings, std::function<void()> changed);

private:
    void OnChanged(ItemPtr setting);

    std::function<void()> changed;
};

#endif
