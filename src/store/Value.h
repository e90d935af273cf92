#ifndef STORE_VALUE_H
#define STORE_VALUE_H

#include <QString>

#include <string>

// The text value of an item: a byte string compared byte-wise. Numbers become
// their decimal digits and live objects their address, so that any of them
// can name an item.
class Value
{
public:
    Value() = default;
    Value(const char* text);
    Value(const std::string& bytes);
    Value(std::string&& bytes);
    // The UTF-8 bytes up to the first NUL.
    Value(const QString& text);
    Value(int number);
    Value(unsigned int number);
    Value(long number);
    Value(unsigned long number);
    Value(long long number);
    Value(unsigned long long number);
    // The address as an unsigned decimal number (sockets, files, views...).
    Value(const void* object);

    const std::string& Bytes() const { return bytes; }
    bool Empty() const { return bytes.empty(); }

    friend bool operator<(const Value& a, const Value& b) { return a.bytes < b.bytes; }
    friend bool operator==(const Value& a, const Value& b) { return a.bytes == b.bytes; }
    friend bool operator!=(const Value& a, const Value& b) { return a.bytes != b.bytes; }

private:
    std::string bytes;
};

#endif
