#include "wire/InputStream.h"

#include "store/TextDecoding.h"

bool InputStream::Read(std::string& bytes)
{
    uint32_t length = 0;
    if (!Read(length) || length > MaxWireStringLength)
        return false;
    std::string raw(length, '\0');
    if (!ReadBuffer(raw.data(), length))
        return false;
    raw.resize(std::strlen(raw.c_str()));
    bytes = std::move(raw);
    return true;
}

bool InputStream::Read(QString& text)
{
    std::string bytes;
    if (!Read(bytes))
        return false;
    text = ToQString(bytes);
    return true;
}

bool InputStream::ReadCount(uint32_t& count)
{
    uint32_t value = 0;
    if (!Read(value) || value > MaxWireListCount)
        return false;
    count = value;
    return true;
}
