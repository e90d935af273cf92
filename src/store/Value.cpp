#include "store/Value.h"

#include <QByteArray>

#include <cstdint>

Value::Value(const char* text)
    : bytes(text ? text : "")
{
}

Value::Value(const std::string& text)
    : bytes(text)
{
}

Value::Value(std::string&& text)
    : bytes(std::move(text))
{
}

Value::Value(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    const int nul = utf8.indexOf('\0');
    bytes.assign(utf8.constData(), std::size_t(nul < 0 ? utf8.size() : nul));
}

Value::Value(int number)
    : bytes(std::to_string(number))
{
}

Value::Value(unsigned int number)
    : bytes(std::to_string(number))
{
}

Value::Value(long number)
    : bytes(std::to_string(number))
{
}

Value::Value(unsigned long number)
    : bytes(std::to_string(number))
{
}

Value::Value(long long number)
    : bytes(std::to_string(number))
{
}

Value::Value(unsigned long long number)
    : bytes(std::to_string(number))
{
}

Value::Value(const void* object)
    : bytes(std::to_string(std::uintptr_t(object)))
{
}
