#include "app/Settings.h"

#include "store/Data.h"
#include "store/DataSaver.h"

namespace {
const char* const savedSettingType = "global";
const char* const volatileSettingType = "vglobal";
const char* const settingValueType = "global_value";

QString ReadSetting(const char* settingType, const QString& name)
{
    Type* type = d.HasType(settingType);
    if (!type)
        return QString();
    return type->HasItem(Value(name)).GetItem(settingValueType).AsString();
}

void WriteSetting(const char* settingType, const QString& name, const QString& value)
{
    // A setting has one value, so connecting the new one drops the old.
    (*d.GetType(settingType))[Value(name)] += (*d.GetType(settingValueType))[Value(value)];
}
} // namespace

void DeclareSettingsSchema()
{
    Type* global = d.NewType(savedSettingType, Primary, false, true);
    Type* volatileGlobal = d.NewType(volatileSettingType, Primary, false, true);
    Type* globalValue = d.NewType(settingValueType, Tertiary, false, true);
    global->RelateToType(globalValue, Many, One, false);
    volatileGlobal->RelateToType(globalValue, Many, One, false);

    dataSaver->AddSavedType(savedSettingType);
    // Only the values some saved setting uses; a volatile one's stay behind.
    dataSaver->AddSavedByConnectionType(settingValueType, savedSettingType);
}

QString GetSetting(const QString& name)
{
    return ReadSetting(savedSettingType, name);
}

bool IsSettingOn(const QString& name)
{
    return GetSetting(name) == QLatin1String("yes");
}

void SetSetting(const QString& name, const QString& value)
{
    WriteSetting(savedSettingType, name, value);
}

QString GetVolatileSetting(const QString& name)
{
    return ReadSetting(volatileSettingType, name);
}

bool IsVolatileSettingOn(const QString& name)
{
    return GetVolatileSetting(name) == QLatin1String("yes");
}

void SetVolatileSetting(const QString& name, const QString& value)
{
    WriteSetting(volatileSettingType, name, value);
}
