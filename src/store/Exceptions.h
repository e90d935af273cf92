#ifndef STORE_EXCEPTIONS_H
#define STORE_EXCEPTIONS_H

#include <string>

// Errors in the declared schema. They are thrown by pointer (throw new ...)
// and never caught inside the store.
class StoreException
{
public:
    explicit StoreException(std::string description)
        : what(std::move(description))
    {
    }
    virtual ~StoreException() = default;
    const std::string& What() const { return what; }

private:
    std::string what;
};

class TypeAlreadyExistsException : public StoreException
{
    using StoreException::StoreException;
};
class TypeNotFoundException : public StoreException
{
    using StoreException::StoreException;
};
class AlreadyRelatedException : public StoreException
{
    using StoreException::StoreException;
};
class NotRelatedException : public StoreException
{
    using StoreException::StoreException;
};
class NullTypeException : public StoreException
{
    using StoreException::StoreException;
};

#endif
