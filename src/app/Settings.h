#ifndef APP_SETTINGS_H
#define APP_SETTINGS_H

#include <QString>

// A setting is a "global" item named after it, connected to one "global_value"
// item that holds its text. "vglobal" settings work the same way but are not
// saved: they last only while the program runs. A yes/no setting is on when
// its text is "yes"; an unset one is off.

// Declares the setting types and registers "global" (and the values in use)
// for saving with dataSaver, which must exist.
void DeclareSettingsSchema();

// The setting's text, empty when unset or when no schema is declared.
QString GetSetting(const QString& name);
bool IsSettingOn(const QString& name);
// Replaces the setting's value.
void SetSetting(const QString& name, const QString& value);

QString GetVolatileSetting(const QString& name);
bool IsVolatileSettingOn(const QString& name);
void SetVolatileSetting(const QString& name, const QString& value);

#endif
