#pragma once
// SAFEARRAY helpers: an owner and a scoped lock of the element data.
#include <windows.h>
#include <oleauto.h>

namespace nvx {

class SafeArray {
public:
    explicit SafeArray(SAFEARRAY* array = nullptr) : array_(array) {}
    SafeArray(const SafeArray&) = delete;
    SafeArray& operator=(const SafeArray&) = delete;
    ~SafeArray()
    {
        if (array_) SafeArrayDestroy(array_);
    }
    SAFEARRAY* Get() const { return array_; }
    SAFEARRAY* Detach()
    {
        SAFEARRAY* array = array_;
        array_ = nullptr;
        return array;
    }

private:
    SAFEARRAY* array_;
};

// Keeps an array's data locked and accessible for the lifetime of the object.
class SafeArrayData {
public:
    explicit SafeArrayData(SAFEARRAY* array) : array_(array)
    {
        if (array_ && FAILED(SafeArrayAccessData(array_, &data_))) array_ = nullptr;
    }
    SafeArrayData(const SafeArrayData&) = delete;
    SafeArrayData& operator=(const SafeArrayData&) = delete;
    ~SafeArrayData()
    {
        if (array_) SafeArrayUnaccessData(array_);
    }
    bool Locked() const { return array_ != nullptr; }
    template <class T>
    T* As() const
    {
        return static_cast<T*>(data_);
    }

private:
    SAFEARRAY* array_;
    void* data_ = nullptr;
};

}  // namespace nvx
