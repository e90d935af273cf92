#include "ui/SettingWatch.h"

#include "store/Data.h"
#include "store/PathNode.h"

SettingWatch::SettingWatch(const QStringList& settings, std::function<void()> onChange)
    : changed(std::move(onChange))
{
    for (const QString& setting : settings) {
        auto* root = new PathNode(d.GetType("global")->GetItem(Value(setting)));
        new PathNode(root, "global_value", PathOnConnect);
        d.AddPathEventHandler(root,
                              AddDataHandler(new EventHandler<SettingWatch, ItemPtr>(this, &SettingWatch::OnChanged)));
    }
}

void SettingWatch::OnChanged(ItemPtr)
{
    changed();
}
